#pragma once

#include <QIODevice>

namespace tovik {

class TuneAnalysis;

// The tuning surface as csv (RFC 4180, UTF-8, CR LF): threshold,occurrences,alarms,devices,hours,
// peak, thresholds ascending and occurrences ascending within each; never_fires (0 or 1) after
// them when a cell can never fire on the data, with a budget within_budget and recommended
// (0 or 1), and with incidents incidents_caught, noise_alarms and first_alarm_minutes (empty when
// none is caught) last.
class TuneCsv
{
public:
    static bool write(QIODevice &device, const TuneAnalysis &analysis);
};

} // namespace tovik
