#include "sweep/MonitoringSuggestion.h"

#include "common/TimeFormats.h"

#include <cmath>

namespace tovik {

namespace {

QString timeText(qint16 start, qint16 stop)
{
    return TimeFormats::hourOfDay(start) + QChar(0x2013) + TimeFormats::hourOfDay(stop);
}

} // namespace

QString MonitoringSuggestion::text() const
{
    const QString current = timeText(currentStart, currentStop);
    if (keepsCurrent())
        return QStringLiteral("monitoring %1 already sends the fewest alarms that catch its "
                              "incidents")
            .arg(current);
    const double fewer
        = currentAlarms > 0 ? 100.0 * double(currentAlarms - alarms) / double(currentAlarms) : 0;
    return QStringLiteral("monitoring %1 instead of %2: %3 % fewer alarms, no incident lost")
        .arg(timeText(start, stop), current)
        .arg(std::lround(fewer));
}

} // namespace tovik
