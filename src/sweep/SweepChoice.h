#pragma once

#include "db/ConnectionChoice.h"
#include "sweep/SweepSettings.h"

#include <QDateTime>
#include <optional>

namespace tovik {

// A sweep as a user chooses it: the connection, the range as the last hours or as from/to texts,
// and the alarm setting. The range becomes hours only at the moment the sweep starts.
struct SweepChoice
{
    // Every setting at its default, as ChoiceSetting describes it.
    SweepChoice();

    ConnectionChoice connection;
    // The last hours before the current one, unless a from/to range is chosen.
    int lastHours = 0;
    bool fixedRange = false;
    // Whole hours, as 'YYYY-MM-DD HH:00:00' wall-clock texts.
    QString from;
    QString to;
    qint16 monStartHour = 0;
    qint16 monStopHour = 0;
    qint16 threshold = 0;
    qint16 occurrences = 0;

    // The sweep this choice asks for at the moment now; nothing, with the reason, for a range
    // the sweep refuses.
    std::optional<SweepSettings> sweep(const QDateTime &now, QString *failure) const;
};

} // namespace tovik
