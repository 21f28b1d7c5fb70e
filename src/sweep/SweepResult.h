#pragma once

#include "monitoring/AlarmRules.h"
#include "sweep/SweepFrame.h"

#include <QList>
#include <deque>

namespace tovik {

// One report, node and examined hour with at least one sample at or over the threshold. Kept
// small: a sweep over weeks of ten thousand nodes holds millions of them.
struct SweepRow
{
    qint32 nodeId = 0;
    qint32 count = 0;
    quint16 hourIndex = 0;
    // Into SweepResult::reportIds, which is in ascending report_id order.
    quint16 reportIndex = 0;
    // The hour's samples at any load, count among them.
    qint32 samples = 0;
};

// What a sweep found at one threshold. Whether a row is caught depends on the occurrences alone, so
// another occurrences value is answered from the same result without a query.
struct SweepResult : SweepFrame
{
    // In comesBefore() order; only examined hours.
    std::deque<SweepRow> rows;
    // The other examined node-hours with samples, none of them at or over the threshold (count
    // 0), in the same order. No output lists them; they tell where a device had too few samples.
    std::deque<SweepRow> belowRows;

    // The row of a node-hour with count of its samples at or over the threshold.
    static SweepRow rowOf(const LadderCell &cell, qint32 count, qint32 samples)
    {
        return {cell.nodeId, count, cell.hourIndex, cell.reportIndex, samples};
    }
    // Into rows or belowRows by its count.
    void add(const SweepRow &row) { (row.count > 0 ? rows : belowRows).push_back(row); }
    static bool isCaught(const SweepRow &row, qint16 occurrences)
    {
        return AlarmRules::isCaught(row.nodeId, row.count, occurrences);
    }
    qint32 reportId(const SweepRow &row) const { return reportIds.at(row.reportIndex); }
    QDateTime hour(const SweepRow &row) const { return range.hour(row.hourIndex); }
    // The caught devices per hour of the range.
    QList<int> caughtPerHour(qint16 occurrences) const;
};

} // namespace tovik
