#pragma once

#include "db/ConnectionChoice.h"
#include "monitoring/AlarmSetting.h"
#include "sweep/SweepSettings.h"

#include <QDateTime>
#include <optional>

namespace tovik {

// A sweep as a user chooses it: the connection, the range as the last hours or as from/to texts,
// and the alarm setting. The range becomes hours only at the moment the sweep starts.
struct SweepChoice
{
    static constexpr int kDefaultLastHours = 48;

    ConnectionChoice connection = ConnectionChoice::defaults();
    // The last hours before the current one, unless a from/to range is chosen.
    int lastHours = kDefaultLastHours;
    bool fixedRange = false;
    // Whole hours, as 'YYYY-MM-DD HH:00:00' wall-clock texts.
    QString from;
    QString to;
    // The tester's defaults.
    qint16 monStartHour = AlarmSetting::kDefaultMonStartHour;
    qint16 monStopHour = AlarmSetting::kDefaultMonStopHour;
    qint16 threshold = AlarmSetting::kDefaultThreshold;
    qint16 occurrences = AlarmSetting::kDefaultOccurrences;

    // The sweep this choice asks for at the moment now; nothing, with the reason, for a range
    // the sweep refuses.
    std::optional<SweepSettings> sweep(const QDateTime &now, QString *failure) const;
};

} // namespace tovik
