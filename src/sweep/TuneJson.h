#pragma once

#include <QByteArray>
#include <QIODevice>
#include <optional>

namespace tovik {

class TuningSurface;
struct SweepSettings;

// The tuning surface as one JSON object (UTF-8): the settings without any connection detail, the
// ladder, the data's limits on what can fire, every cell with its alarms a day and whether it can
// never fire, and with a budget the lowest threshold within it for each occurrences value (null
// where none is).
class TuneJson
{
public:
    static bool write(QIODevice &device, const TuningSurface &surface,
        const SweepSettings &settings, std::optional<double> budget);
    // The shortest decimal that reads back as value, without an exponent.
    static QByteArray decimal(double value);
};

} // namespace tovik
