#pragma once

#include "sweep/TuneSetting.h"

#include <QList>
#include <QString>
#include <array>

namespace tovik {

// One report's node and the alarms one setting sends for it.
struct DeviceAlarms
{
    quint16 reportIndex = 0;
    qint32 nodeId = 0;
    qint64 alarms = 0;

    friend bool operator==(const DeviceAlarms &, const DeviceAlarms &) = default;
};

// Where one setting's alarms come from: the hours of day and the few devices that send most.
struct NoiseProfile
{
    static constexpr int kTopDevices = 10;

    TuneSetting setting;
    std::array<qint64, 24> alarmsByHourOfDay {};
    qint64 alarms = 0;
    // Descending alarms (then by report and node), at most kTopDevices.
    QList<DeviceAlarms> topDevices;
    // The fewest devices that give at least half of the alarms, and their share in percent.
    int devicesForHalf = 0;
    double shareOfThoseDevices = 0;

    // "3 devices give 61 % of the alarms"; empty without alarms.
    QString devicesText() const;
};

} // namespace tovik
