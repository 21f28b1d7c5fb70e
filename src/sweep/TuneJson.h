#pragma once

#include <QByteArray>
#include <QIODevice>

namespace tovik {

class TuneAnalysis;

// The tuning surface as one JSON object (UTF-8): the settings without any connection detail, the
// ladder, the data's limits on what can fire, every cell with its alarms a day, whether it can
// never fire and with incidents what it catches, and with a budget the lowest threshold within it
// for each occurrences value (null where none is); then the analysis' answers (TuneAnswersJson).
// With held-out days the settings' range and everything but the hold-out describe the part before
// them.
class TuneJson
{
public:
    static bool write(QIODevice &device, const TuneAnalysis &analysis);
    // The shortest decimal that reads back as value, without an exponent.
    static QByteArray decimal(double value);
};

} // namespace tovik
