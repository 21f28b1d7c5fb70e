#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"
#include "db/ConnectionTimeouts.h"
#include "monitoring/AlarmRules.h"
#include "sweep/SweepRange.h"
#include "sweep/ThresholdLadder.h"

#include <QDateTime>
#include <QList>

namespace tovik {

// Everything one sweep needs: where the database is, which hours it examines and the alarm
// setting whose firing it counts.
struct SweepSettings
{
    ConnectionFields connection;
    ConnectionSecurity security;
    // One aggregate query reads a whole report's range, so it gets longer than a run's query.
    ConnectionTimeouts timeouts {ConnectionTimeouts::kDefaultLoginSeconds, 300};

    SweepRange range;
    qint16 threshold = 0;
    qint16 occurrences = 0;
    // Thresholds counted besides threshold in the same queries, so that a change between them
    // needs none; empty for a sweep of one setting.
    ThresholdLadder ladder;
    // The monitoring hours, whose rule AlarmRules::isMonitoredHour keeps.
    qint16 monStartHour = 0;
    qint16 monStopHour = 24;

    // The thresholds the sweep's queries count: the ladder and threshold.
    ThresholdLadder countedLadder() const { return ladder.with(threshold); }

    // Whether a sweep with other reads the same samples and counts them at the same ladder, so
    // that the two differ at most in the setting that is shown.
    bool readsAsSweep(const SweepSettings &other) const
    {
        return connection == other.connection && security == other.security
            && timeouts == other.timeouts && range == other.range && ladder == other.ladder
            && monStartHour == other.monStartHour && monStopHour == other.monStopHour;
    }

    bool isMonitored(const QDateTime &hour) const
    {
        return AlarmRules::isMonitoredHour(hour.time().hour(), monStartHour, monStopHour);
    }

    // Per hour of the range: whether the sweep examines it.
    QList<bool> monitoredHours() const
    {
        QList<bool> monitored;
        for (int i = 0; i < range.hourCount(); ++i)
            monitored << isMonitored(range.hour(i));
        return monitored;
    }
};

} // namespace tovik
