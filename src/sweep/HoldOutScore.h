#pragma once

#include "sweep/TuneSetting.h"

#include <optional>

namespace tovik {

// A setting chosen on the range before the last days, scored on those days alone.
struct HoldOutScore
{
    int days = 0;
    TuneSetting setting;
    // On the part it was chosen on.
    double predictedAlarmsPerDay = 0;
    // On the held-out days.
    qint64 alarms = 0;
    double alarmsPerDay = 0;
    // With incidents: those caught on the held-out days, of those that lie in them.
    std::optional<qint32> incidentsCaught;
    std::optional<qint32> incidentsInPart;

    friend bool operator==(const HoldOutScore &, const HoldOutScore &) = default;
};

} // namespace tovik
