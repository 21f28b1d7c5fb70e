#pragma once

#include "db/ConnectionCommandLine.h"
#include "sweep/SweepSettings.h"

#include <QDateTime>
#include <optional>

namespace tovik {

// Everything the explorer's controls hold: the connection and the sweep's range and alarm setting.
struct ExplorerSettings
{
    static constexpr int kDefaultLastHours = 48;

    ConnectionChoice connection = ConnectionCommandLine::defaults();
    // The last hours before the current one, unless a from/to range is chosen.
    int lastHours = kDefaultLastHours;
    bool fixedRange = false;
    // Whole hours, as 'YYYY-MM-DD HH:00:00' wall-clock texts.
    QString from;
    QString to;
    // The tester's defaults: 06:00 to 23:00, 4 %, once.
    qint16 monStartHour = 6;
    qint16 monStopHour = 23;
    qint16 threshold = 4;
    qint16 occurrences = 1;

    // The sweep these settings ask for at the moment now; nothing, with the reason, for a range
    // the sweep refuses.
    std::optional<SweepSettings> sweep(const QDateTime &now, QString *failure) const;
};

} // namespace tovik
