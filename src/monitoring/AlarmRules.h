#pragma once

#include <QtGlobal>

namespace tovik {

// The alarm's rules that a test run and a sweep apply alike, so that a sweep's hour answers what a
// run of that hour would.
class AlarmRules
{
public:
    // A node id of 0 is never a device.
    static bool isDevice(qint32 nodeId) { return nodeId != 0; }

    // A device is caught when it reached the threshold at least occurrences times in the hour.
    static bool isCaught(qint32 nodeId, qint32 count, qint16 occurrences)
    {
        return isDevice(nodeId) && count >= occurrences;
    }

    // An hour in which the alarm could never fire: fewer samples in all than the occurrences.
    // An hour without any sample of the device is one of them.
    static bool isBlind(qint32 nodeId, qint32 samples, qint16 occurrences)
    {
        return isDevice(nodeId) && samples < occurrences;
    }

    // An hour one sample at or over the threshold short of firing, with samples enough to have
    // fired.
    static bool isNearMiss(qint32 nodeId, qint32 count, qint32 samples, qint16 occurrences)
    {
        return isDevice(nodeId) && count >= 1 && count == occurrences - 1
            && !isBlind(nodeId, samples, occurrences);
    }

    // An hour is examined when its hour of day h satisfies startHour <= h < stopHour.
    static bool isMonitoredHour(int hourOfDay, qint16 startHour, qint16 stopHour)
    {
        return startHour <= hourOfDay && hourOfDay < stopHour;
    }
};

} // namespace tovik
