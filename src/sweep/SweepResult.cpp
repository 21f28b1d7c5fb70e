#include "sweep/SweepResult.h"

namespace tovik {

QList<int> SweepResult::caughtPerHour(qint16 occurrences) const
{
    QList<int> caught(range.hourCount(), 0);
    for (const SweepRow &row : rows) {
        if (isCaught(row, occurrences))
            ++caught[row.hourIndex];
    }
    return caught;
}

} // namespace tovik
