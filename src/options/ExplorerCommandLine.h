#pragma once

#include "sweep/Incident.h"
#include "sweep/SweepChoice.h"

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

namespace tovik {

// The explorer's arguments: the connection options of the command-line check, the range
// (--last, or --from with --to), --threshold, --occurrences, --monitoring, --incidents FILE to
// score the settings against, and --run to start at once. What an option leaves out keeps its
// remembered value; the incidents are never remembered.
class ExplorerCommandLine
{
public:
    enum class Action { Open, Help, Version, Refused };

    struct Result
    {
        Action action = Action::Refused;
        SweepChoice settings;
        bool runAtStart = false;
        // The incidents of --incidents and their file; nothing without the option.
        std::optional<QList<Incident>> incidents;
        QString incidentsPath;
        // The help or version text, or why the arguments were refused.
        QString text;
        // Empty, or a line for standard error on options taken but not used.
        QString notice;
    };

    static inline const QString programName = QStringLiteral("tovik-threshold-explorer");

    // arguments as QCoreApplication::arguments() gives them, the program first.
    static Result parse(const QStringList &arguments, const SweepChoice &remembered);

private:
    explicit ExplorerCommandLine(const SweepChoice &remembered);
    Result parsed(const QStringList &arguments);
    // False, with the file's refusal, for an incidents file that is refused.
    bool readIncidents(Result &result);

    const SweepChoice &m_remembered;
    QCommandLineParser m_parser;
};

} // namespace tovik
