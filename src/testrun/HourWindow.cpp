#include "testrun/HourWindow.h"

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
    const QDateTime previousHour = referenceTime.addSecs(-3600);
    const int h = previousHour.time().hour();
    if (startHour <= h && h < stopHour)
        return {hourText(previousHour), hourText(referenceTime)};
    return {};
}

} // namespace tovik
