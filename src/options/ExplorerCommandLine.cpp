#include "options/ExplorerCommandLine.h"

#include "options/CommandLinePrelude.h"
#include "options/ConnectionCommandLine.h"
#include "options/SweepCommandLine.h"
#include "sweep/IncidentFile.h"

namespace tovik {

ExplorerCommandLine::ExplorerCommandLine(const SweepChoice &remembered)
    : m_remembered(remembered)
{
    m_parser.setApplicationDescription(
        QStringLiteral("Shows, over the last days, in which hours and on which devices a CPU-load "
                       "alarm setting would have fired."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    // The defaults shown are what the explorer remembered.
    SweepCommandLine::addOptions(m_parser, remembered);
    m_parser.addOption(QCommandLineOption(QStringLiteral("incidents"),
        QStringLiteral("Score every setting against the incidents of FILE (csv: "
                       "start,end,device,note)."),
        QStringLiteral("FILE")));
    m_parser.addOption(QCommandLineOption(QStringLiteral("run"), QStringLiteral("Query at once.")));
}

ExplorerCommandLine::Result ExplorerCommandLine::parse(
    const QStringList &arguments, const SweepChoice &remembered)
{
    return ExplorerCommandLine(remembered).parsed(arguments);
}

ExplorerCommandLine::Result ExplorerCommandLine::parsed(const QStringList &arguments)
{
    Result result;
    if (const auto answer = CommandLinePrelude::answer(m_parser, arguments, programName)) {
        result.action = answer->kind == CommandLinePrelude::Kind::Help ? Action::Help
            : answer->kind == CommandLinePrelude::Kind::Version        ? Action::Version
                                                                       : Action::Refused;
        result.settings = m_remembered;
        result.text = answer->text;
        return result;
    }
    const auto choice = SweepCommandLine::read(m_parser, m_remembered, &result.text);
    if (!choice)
        return result;
    result.settings = *choice;
    if (!readIncidents(result))
        return result;
    result.notice = ConnectionCommandLine::notice(m_parser, choice->connection);
    result.action = Action::Open;
    result.runAtStart = m_parser.isSet(QStringLiteral("run"));
    return result;
}

bool ExplorerCommandLine::readIncidents(Result &result)
{
    const QString option = QStringLiteral("incidents");
    if (!m_parser.isSet(option))
        return true;
    result.incidentsPath = m_parser.value(option);
    result.incidents = IncidentFile::read(result.incidentsPath, &result.text);
    return result.incidents.has_value();
}

} // namespace tovik
