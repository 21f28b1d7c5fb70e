#pragma once

#include "sweep/LadderCounts.h"
#include "sweep/SweepFrame.h"
#include "sweep/SweepResult.h"
#include "sweep/ThresholdLadder.h"

#include <optional>
#include <vector>

namespace tovik {

// What a sweep found at every threshold of its ladder at once, so that any of them, and any
// occurrences value, is answered without another query.
struct LadderResult : SweepFrame
{
    ThresholdLadder ladder;
    // In the order the database returned them; arrange() orders them for the sweep's rows.
    std::vector<LadderCell> cells;
    // Per cell: column 0 the samples of the hour at any load, column 1 + step those at or over
    // ladder.threshold(step).
    LadderCounts counts;

    qint32 samples(qsizetype cell) const { return counts.at(cell, 0); }
    qint32 count(qsizetype cell, int step) const { return counts.at(cell, 1 + step); }

    // The most samples a device had in one examined hour: a higher occurrences value never fires.
    qint32 mostSamplesInAnHour() const;

    // Orders the cells by hour, report_id and node_id once all are read.
    void arrange();
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
    std::vector<quint32> m_order;
};

} // namespace tovik
