#pragma once

#include <QString>

namespace tovik {

// The SQL texts of a sweep besides the discovery queries it shares with the test run. Values are
// never part of them: the "?" markers are bound to the time bounds and the threshold.
class SweepQueries
{
public:
    // Per node and hour (numbered as DATEDIFF(hour, 0, hist_time)), the samples at or over the
    // threshold in [from, to). The hour comes back as a number, not as a time that a client's
    // time zone could move. Bound: from and to (datetime), threshold (int).
    static QString aggregate(const QString &table);
    static QString nodeAttributes();
};

} // namespace tovik
