#pragma once

#include <QDateTime>

namespace tovik {

// Date-time values as a clock on the wall shows them: the local date and time of day with no
// time zone, the way the samples' hist_time texts are written. They are held in UTC, where no
// daylight-saving rule applies, so taking hours away changes the hour of day (and past midnight
// the date) and never skips or repeats an hour at a change-over.
class WallClock
{
public:
    // The wall-clock value of a date and time of day, as the samples' times and the sweep's hours
    // hold them.
    static QDateTime at(const QDate &date, const QTime &time);
    // The local date and time of day that time shows.
    static QDateTime of(const QDateTime &time);
    static QDateTime hoursBefore(const QDateTime &time, qint64 hours);
    // The reference time "Now - x Hour" fixes: hoursAgo before now, to the whole second.
    static QDateTime referenceTime(const QDateTime &now, qint64 hoursAgo);
};

} // namespace tovik
