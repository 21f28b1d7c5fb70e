#pragma once

#include "cli/DataCommandLine.h"
#include "sweep/SweepSettings.h"
#include "sweep/TuneRequest.h"

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

namespace tovik {

// One `tune` as the command line asks for it.
struct TuneCheckOptions
{
    // Its ladder holds the thresholds to tune, its threshold the ladder's first.
    SweepSettings settings;
    DataOutput output;
    // The occurrences values, the budget, the incidents and the held-out days.
    TuneRequest request;
};

// The arguments of `tovik-cpu-check tune`: the sweep's connection, range and monitoring options,
// the ladder of thresholds, the highest occurrences value, the budget, the incidents, the lead,
// the held-out days, the format and the output.
class TuneCheckCommandLine
{
public:
    static constexpr qint16 kMaxOccurrencesUpTo = 1000;

    using Action = CheckCommandLine::Action;
    using Result = DataCommandResult<TuneCheckOptions>;

    // arguments as QCoreApplication::arguments() gives them, the program first; now is the end
    // of --last unless --at gives another.
    static Result parse(const QStringList &arguments, const QDateTime &now);

private:
    TuneCheckCommandLine();
    Result parsed(const QStringList &arguments, const QDateTime &now);
    bool readTuning(TuneCheckOptions &options, QString *failure) const;
    bool readOccurrencesUpTo(TuneCheckOptions &options, QString *failure) const;
    bool readBudget(TuneCheckOptions &options, QString *failure) const;
    bool readLead(TuneCheckOptions &options, QString *failure) const;
    bool readHoldOut(TuneCheckOptions &options, QString *failure) const;
    bool readIncidents(TuneCheckOptions &options, QString *failure) const;

    QCommandLineParser m_parser;
};

} // namespace tovik
