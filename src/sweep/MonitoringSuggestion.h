#pragma once

#include <QString>
#include <QtGlobal>

namespace tovik {

// The monitoring time, the monitoring system's one lever over hours, that sends the fewest alarms
// of one setting while catching every incident the current monitoring time catches.
struct MonitoringSuggestion
{
    qint16 currentStart = 0;
    qint16 currentStop = 24;
    qint16 start = 0;
    qint16 stop = 24;
    qint64 currentAlarms = 0;
    qint64 alarms = 0;

    bool keepsCurrent() const { return start == currentStart && stop == currentStop; }
    // "monitoring 07:00–22:00 instead of 06:00–23:00: 31 % fewer alarms, no incident lost", or
    // "monitoring 06:00–23:00 already sends the fewest alarms that catch its incidents".
    QString text() const;

    friend bool operator==(const MonitoringSuggestion &, const MonitoringSuggestion &) = default;
};

} // namespace tovik
