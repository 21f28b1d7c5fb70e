#pragma once

#include <QIODevice>
#include <QString>
#include <optional>

namespace tovik {

class TuningSurface;
struct SweepSettings;

// The tuning surface for a reader at a terminal: thresholds down, occurrences across, the alarms
// a day in each cell, a "-" for a setting that can never fire on the data with the limit under the
// table; with a budget the cells within it marked and, under the table, the lowest threshold within
// it for each occurrences value. With 12 occurrences values every line fits 80
// characters.
class TuneTable
{
public:
    static bool write(QIODevice &device, const TuningSurface &surface,
        const SweepSettings &settings, std::optional<double> budget);
    // At most four characters: one decimal below 100, whole numbers below 10,000, then thousands
    // ("240k") and millions ("12M").
    static QString compact(double alarmsPerDay);
};

} // namespace tovik
