#pragma once

#include "sweep/Incident.h"
#include "sweep/TuningSurface.h"

#include <QList>
#include <optional>

namespace tovik {

// What a tuning asks beyond the sweep: how far the surface goes, the budget, the incidents its
// settings are scored against and the days held out to score the choice on.
struct TuneRequest
{
    qint16 occurrencesUpTo = TuningSurface::kDefaultOccurrencesUpTo;
    // Alarms a day; nothing: no recommendation and no best setting.
    std::optional<double> budget;
    // Nothing: no incidents file; an empty list is a file without incidents.
    std::optional<QList<Incident>> incidents;
    // Whole hours before an incident's start in which an alarm still counts for it.
    int leadHours = 0;
    // The last whole days of the range, scored apart; 0: none held out.
    int holdOutDays = 0;
};

} // namespace tovik
