#pragma once

#include <QString>

namespace tovik {

struct CheckOptions;
struct LadderResult;
struct RunOutcome;

// The one line and the exit code of a monitoring plugin.
struct CheckStatus
{
    enum Code { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

    Code code = Unknown;
    QString line;

    // "CPU LOAD <state> - <text> | <performance data>" from the run's outcome. hourSamples, the
    // examined hour's samples at any load when known, turns an hour without any into UNKNOWN and
    // adds that the occurrences can never fire when no device-hour held that many samples.
    static CheckStatus fromOutcome(const RunOutcome &outcome, const CheckOptions &options,
        const LadderResult *hourSamples = nullptr);
    // "CPU LOAD UNKNOWN - <description>".
    static CheckStatus unknown(const QString &description);
};

} // namespace tovik
