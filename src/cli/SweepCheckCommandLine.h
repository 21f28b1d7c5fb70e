#pragma once

#include "cli/DataCommandLine.h"
#include "sweep/SweepSettings.h"

#include <QCommandLineParser>
#include <QStringList>

namespace tovik {

// One `sweep` as the command line asks for it.
struct SweepCheckOptions
{
    SweepSettings settings;
    DataOutput output;
};

// The arguments of `tovik-cpu-check sweep`: the connection and alarm options of `run`, the range,
// the format and the output.
class SweepCheckCommandLine
{
public:
    using Action = CheckCommandLine::Action;
    using Result = DataCommandResult<SweepCheckOptions>;

    // arguments as QCoreApplication::arguments() gives them, the program first; now is the end
    // of --last unless --at gives another.
    static Result parse(const QStringList &arguments, const QDateTime &now);
    // Whether arguments ask for a sweep's report (pdf or html), which needs QtGui's drawing;
    // found from the options alone, before any application object exists.
    static bool asksForReport(const QStringList &arguments);

private:
    SweepCheckCommandLine();
    Result parsed(const QStringList &arguments, const QDateTime &now);

    QCommandLineParser m_parser;
};

} // namespace tovik
