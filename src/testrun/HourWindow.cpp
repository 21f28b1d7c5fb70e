#include "testrun/HourWindow.h"

#include "testrun/WallClock.h"

namespace tovik {

namespace {

QString hourText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH")) + QStringLiteral(":00:00");
}

} // namespace

HourWindow HourWindow::examinedHour(
    const QDateTime &referenceTime, qint16 startHour, qint16 stopHour)
{
    const QDateTime previousHour = WallClock::hoursBefore(referenceTime, 1);
    const int h = previousHour.time().hour();
    if (startHour <= h && h < stopHour)
        return {hourText(previousHour), hourText(WallClock::of(referenceTime))};
    return {};
}

} // namespace tovik
