#pragma once

#include <QIODevice>
#include <optional>

namespace tovik {

class TuningSurface;
struct SweepSettings;

// The tuning surface as csv (RFC 4180, UTF-8, CR LF): threshold,occurrences,alarms,devices,hours,
// peak, thresholds ascending and occurrences ascending within each; never_fires (0 or 1) after
// them when a cell can never fire on the data, and with a budget within_budget and recommended
// (0 or 1) last.
class TuneCsv
{
public:
    // The settings are the json's and the table's; the csv holds only the cells.
    static bool write(QIODevice &device, const TuningSurface &surface,
        const SweepSettings &settings, std::optional<double> budget);
};

} // namespace tovik
