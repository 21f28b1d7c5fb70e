#include "common/WallClock.h"

#include <QTimeZone>

namespace tovik {

QDateTime WallClock::at(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, QTimeZone::utc());
}

QDateTime WallClock::of(const QDateTime &time)
{
    return at(time.date(), time.time());
}

QDateTime WallClock::hoursBefore(const QDateTime &time, qint64 hours)
{
    return of(time).addSecs(-3600 * hours);
}

QDateTime WallClock::referenceTime(const QDateTime &now, qint64 hoursAgo)
{
    const QDateTime earlier = hoursBefore(now, hoursAgo);
    return earlier.addMSecs(-earlier.time().msec());
}

} // namespace tovik
