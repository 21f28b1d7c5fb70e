#pragma once

#include <QtGlobal>

namespace tovik {

// The alarm's rules that a test run and a sweep apply alike, so that a sweep's hour answers what a
// run of that hour would.
class AlarmRules
{
public:
    // A device is caught when it reached the threshold at least occurrences times in the hour; a
    // node id of 0 is never a device.
    static bool isCaught(qint32 nodeId, qint32 count, qint16 occurrences)
    {
        return nodeId != 0 && count >= occurrences;
    }

    // An hour is examined when its hour of day h satisfies startHour <= h < stopHour.
    static bool isMonitoredHour(int hourOfDay, qint16 startHour, qint16 stopHour)
    {
        return startHour <= hourOfDay && hourOfDay < stopHour;
    }
};

} // namespace tovik
