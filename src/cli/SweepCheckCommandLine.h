#pragma once

#include "cli/CheckCommandLine.h"
#include "sweep/SweepSettings.h"

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

namespace tovik {

// One `sweep` as the command line asks for it.
struct SweepCheckOptions
{
    enum class Format { Csv, Json, Table };

    SweepSettings settings;
    // Nothing: a table for a terminal, csv for anything else.
    std::optional<Format> format;
    // Empty: standard output.
    QString outputPath;
    // Nothing: the sweep takes as long as its queries do.
    std::optional<int> timeoutSeconds;
};

// The arguments of `tovik-cpu-check sweep`: the connection and alarm options of `run`, the range,
// the format and the output.
class SweepCheckCommandLine
{
public:
    // Run: sweep with the options.
    using Action = CheckCommandLine::Action;

    struct Result
    {
        Action action = Action::Refused;
        SweepCheckOptions options;
        // The help or version text, or why the arguments were refused.
        QString text;
        // Empty, or a line for standard error on options taken but not used.
        QString notice;
    };

    // arguments as QCoreApplication::arguments() gives them, the program first; now is the end
    // of --last unless --at gives another.
    static Result parse(const QStringList &arguments, const QDateTime &now);

private:
    SweepCheckCommandLine();
    Result parsed(const QStringList &arguments, const QDateTime &now);
    std::optional<QDateTime> referenceTime(
        const QDateTime &now, bool fixedRange, QString *failure) const;
    bool readFormat(SweepCheckOptions &options, QString *failure) const;
    bool readTimeout(SweepCheckOptions &options, QString *failure) const;

    QCommandLineParser m_parser;
};

} // namespace tovik
