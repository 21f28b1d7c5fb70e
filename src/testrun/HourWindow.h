#pragma once

#include <QDateTime>
#include <QString>

namespace tovik {

// The examined hour, "YYYY-MM-DD HH:00:00" texts, start inclusive, end exclusive. Both stay
// empty when the hour before the reference time lies outside the monitoring window.
struct HourWindow
{
    QString start;
    QString end;

    // The wall-clock hour before referenceTime, when its hour of day h satisfies
    // startHour <= h < stopHour.
    static HourWindow examinedHour(
        const QDateTime &referenceTime, qint16 startHour, qint16 stopHour);

    bool operator==(const HourWindow &) const = default;
};

} // namespace tovik
