#pragma once

#include <QString>

namespace tovik {

// The SQL texts of a sweep besides the discovery queries it shares with the test run. Values are
// never part of them: the "?" markers are bound to the thresholds and the time bounds.
class SweepQueries
{
public:
    // Per node and hour (numbered as DATEDIFF(hour, 0, hist_time)) of [from, to) with any sample:
    // the samples, then the samples at or over each of thresholds ladder thresholds. The hour
    // comes back as a number, not as a time that a client's time zone could move. Bound: the
    // thresholds (int) in ascending order, then from and to (datetime).
    static QString aggregate(const QString &table, int thresholds);
    static QString nodeAttributes();
    // One node's samples of [from, to) in time order: hist_time, ProcessorLoad. Bound: the node_id
    // (int), then from and to (datetime).
    static QString deviceLoad(const QString &table);
};

} // namespace tovik
