#pragma once

#include <QString>

namespace tovik {

// Every way the programs write or read a time, in one place: the run's query texts are compared
// with the samples' times, the tester's boxes and logs keep their texts, and a sweep's hours are
// named alike in every output. All of them are wall-clock times (see WallClock).
class TimeFormats
{
public:
    // A whole hour as the queries, the run log and the sweep's outputs write it.
    static inline const QString kWholeHour = QStringLiteral("yyyy-MM-dd HH:00:00");
    // A time to the second: the tester's date box, a value in the run log, --at.
    static inline const QString kSecond = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    // A whole hour where minutes and seconds would only take room: the explorer's range boxes.
    static inline const QString kHourEntry = QStringLiteral("yyyy-MM-dd HH:00");
    // A time to the minute, as the report names its range.
    static inline const QString kMinute = QStringLiteral("yyyy-MM-dd HH:mm");
    static inline const QString kDate = QStringLiteral("yyyy-MM-dd");
    // A day and a time of day where the year goes without saying: hour ranges and axes.
    static inline const QString kDay = QStringLiteral("MM-dd");
    static inline const QString kClock = QStringLiteral("HH:mm");

    // An hour of day as the monitoring lists show it, "HH:00"; 24 is the end of the day.
    static QString hourOfDay(int hour)
    {
        return QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
    }
};

} // namespace tovik
