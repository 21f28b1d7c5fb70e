#pragma once

#include <QString>

namespace tovik {

struct CheckOptions;
struct RunOutcome;

// The one line and the exit code of a monitoring plugin.
struct CheckStatus
{
    enum Code { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

    Code code = Unknown;
    QString line;

    // "CPU LOAD <state> - <text> | <performance data>" from the run's outcome.
    static CheckStatus fromOutcome(const RunOutcome &outcome, const CheckOptions &options);
    // "CPU LOAD UNKNOWN - <description>".
    static CheckStatus unknown(const QString &description);
};

} // namespace tovik
