#pragma once

#include "sweep/SweepRange.h"

#include <QDateTime>
#include <QList>

namespace tovik {

// One stored sample of a device: its time with the wall-clock fields in Qt::UTC, as a sweep's hours
// carry them, and its CPU load in percent.
struct LoadSample
{
    QDateTime time;
    double load = 0.0;
};

// The samples of one report's node over a sweep's range.
struct DeviceLoad
{
    qint32 reportId = 0;
    qint32 nodeId = 0;
    SweepRange range;
    // In time order.
    QList<LoadSample> samples;
};

} // namespace tovik
