#include "testrun/HourWindow.h"

#include "common/HourText.h"
#include "common/WallClock.h"
#include "monitoring/AlarmRules.h"

namespace tovik {

HourWindow HourWindow::examinedHour(
    const QDateTime &referenceTime, qint16 startHour, qint16 stopHour)
{
    const QDateTime previousHour = WallClock::hoursBefore(referenceTime, 1);
    if (AlarmRules::isMonitoredHour(previousHour.time().hour(), startHour, stopHour))
        return {HourText::of(previousHour), HourText::of(WallClock::of(referenceTime))};
    return {};
}

} // namespace tovik
