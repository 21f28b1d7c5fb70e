#pragma once

#include "sweep/SweepRange.h"

#include <QList>
#include <QStringList>

namespace tovik {

// Hours of a sweep's range as a reader takes them in: runs of consecutive hours, each from the
// start of its first hour to the end of its last.
class HourRanges
{
public:
    // "12-08 06:00-17:00"; a run that ends on the next midnight ends at "24:00", one that goes on
    // past it names its end day.
    static QString text(const QDateTime &first, const QDateTime &last);
    // hourIndexes ascending, into range.
    static QStringList of(const SweepRange &range, const QList<int> &hourIndexes);
};

} // namespace tovik
