#pragma once

#include "sweep/LadderCounts.h"
#include "sweep/SweepFrame.h"
#include "sweep/SweepResult.h"
#include "sweep/ThresholdLadder.h"

#include <optional>
#include <vector>

namespace tovik {

// A report's node and where its cells lie in a LadderResult.
struct LadderDevice
{
    qint32 nodeId = 0;
    quint16 reportIndex = 0;
    // Its first cell; its cells run to the next device's first.
    quint32 firstCell = 0;
};

// What a sweep found at every threshold of its ladder at once, so that any of them, and any
// occurrences value, is answered without another query.
// Its cells lie device by device, by report and node, each device's in hour order: a device's
// cells then share its key, and each keeps only its hour beside its counts.
struct LadderResult : SweepFrame
{
    ThresholdLadder ladder;

    // A cell read with its counts: the hour's samples at any load, then those at or over
    // ladder.threshold(step) for each step. Cells come in any order; arrange() orders them once
    // all are read.
    void add(const LadderCell &cell, const qint32 *counts);
    void arrange();

    qsizetype cellCount() const { return m_counts.rows(); }
    int deviceCount() const { return int(m_devices.size()); }
    const LadderDevice &device(int index) const { return m_devices[std::size_t(index)]; }
    // One past the device's last cell.
    qsizetype endOfDevice(int index) const;
    quint16 hourOf(qsizetype cell) const { return m_hours[std::size_t(cell)]; }
    qint32 samples(qsizetype cell) const { return m_counts.at(cell, 0); }
    qint32 count(qsizetype cell, int step) const { return m_counts.at(cell, 1 + step); }
    // Calls visit(cell, index) for every cell, device by device.
    template<typename Visit>
    void forEachCell(const Visit &visit) const
    {
        for (int d = 0; d < deviceCount(); ++d) {
            const LadderDevice &of = device(d);
            for (qsizetype i = of.firstCell; i < endOfDevice(d); ++i)
                visit(LadderCell {of.nodeId, hourOf(i), of.reportIndex}, i);
        }
    }
    // The cell of a device's hour, if it has one.
    std::optional<qsizetype> find(const LadderCell &cell) const;

    // The memory the counts, cells and devices hold, per cell.
    double bytesPerNodeHour() const;

    // The most samples a device had in one examined hour: a higher occurrences value never fires.
    qint32 mostSamplesInAnHour() const;

    // The sweep's rows at ladder.threshold(step): the cells with a sample at or over it as rows,
    // the others as below rows.
    SweepResult atStep(int step) const;
    // Nothing for a threshold off the ladder.
    std::optional<SweepResult> atThreshold(qint16 threshold) const;

    // This result with the one threshold that another sweep of the same range counted, so that a
    // threshold off the ladder costs a query of one threshold, not of the whole ladder again;
    // nothing when the two did not see the same samples (the data changed in between).
    std::optional<LadderResult> withThresholdOf(const LadderResult &other) const;

private:
    bool isArranged() const;
    std::vector<quint32> arrangedOrder();
    bool sameCellsAs(const LadderResult &other) const;

    LadderCounts m_counts;
    std::vector<quint16> m_hours;
    std::vector<LadderDevice> m_devices;
};

} // namespace tovik
