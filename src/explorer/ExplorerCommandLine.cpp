#include "explorer/ExplorerCommandLine.h"

#include "sweep/SweepCommandLine.h"

#include <QCoreApplication>

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
    if (!m_parser.parse(arguments)) {
        result.text = m_parser.errorText();
        return result;
    }
    if (m_parser.isSet(QStringLiteral("help")))
        return {Action::Help, m_remembered, false, m_parser.helpText()};
    if (m_parser.isSet(QStringLiteral("version")))
        return {Action::Version, m_remembered, false,
            programName + u' ' + QCoreApplication::applicationVersion()};
    if (!m_parser.positionalArguments().isEmpty()) {
        result.text = QStringLiteral("unexpected argument '%1'")
                          .arg(m_parser.positionalArguments().join(u' '));
        return result;
    }
    const auto choice = SweepCommandLine::read(m_parser, m_remembered, &result.text);
    if (!choice)
        return result;
    result.settings = *choice;
    result.action = Action::Open;
    result.runAtStart = m_parser.isSet(QStringLiteral("run"));
    return result;
}

} // namespace tovik
