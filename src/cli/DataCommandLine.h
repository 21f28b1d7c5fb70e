#pragma once

#include "cli/CheckCommandLine.h"
#include "cli/DataOutput.h"
#include "options/SweepCommandLine.h"
#include "sweep/SweepSettings.h"

#include <QCommandLineParser>
#include <optional>

namespace tovik {

// What the command line of a command whose output is data asks for; Run: the command with options.
template<typename Options>
struct DataCommandResult
{
    CheckCommandLine::Action action = CheckCommandLine::Action::Refused;
    Options options;
    // The help or version text, or why the arguments were refused.
    QString text;
    // Empty, or a line for standard error on options taken but not used.
    QString notice;
};

// The arguments that the commands whose output is data (sweep, tune) read alike: the sweep's
// connection, range and alarm options, --at, --format, --output and --timeout.
class DataCommandLine
{
public:
    struct Read
    {
        SweepSettings settings;
        DataOutput output;
        // Empty, or a line for standard error on options taken but not used.
        QString notice;
    };

    // The formats a command writes: its data alone, or the report to share besides.
    enum class Formats { Data, WithReports };

    // The parser of `tovik-cpu-check command` with help, version and those options; a command
    // adds its own after them.
    static void setUp(QCommandLineParser &parser, const QString &command,
        const QString &description, SweepCommandLine::Alarm alarm, Formats formats);
    // now is the end of --last unless --at gives another; nothing, with the reason, for a value
    // that is none of its option's.
    static std::optional<Read> read(const QCommandLineParser &parser, const QDateTime &now,
        SweepCommandLine::Alarm alarm, Formats formats, QString *failure);
    // The format --format names, when formats hold it.
    static std::optional<DataOutput::Format> formatOf(const QString &name, Formats formats);
    // The format that --format names or, without it, the one the --output file's name ends in.
    static std::optional<DataOutput::Format> givenFormat(
        const QCommandLineParser &parser, Formats formats);

private:
    static std::optional<QDateTime> referenceTime(
        const QCommandLineParser &parser, const QDateTime &now, bool fixedRange, QString *failure);
    // The format whose name the file's suffix is (".htm" for html), when formats hold it.
    static std::optional<DataOutput::Format> formatOfPath(const QString &path, Formats formats);
    static bool readFormat(
        const QCommandLineParser &parser, Formats formats, DataOutput &output, QString *failure);
    static bool readTimeout(const QCommandLineParser &parser, DataOutput &output, QString *failure);
};

} // namespace tovik
