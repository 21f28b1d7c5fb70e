#include "cli/SweepCheckCommandLine.h"

#include "cli/DataCommandLine.h"

namespace tovik {

SweepCheckCommandLine::SweepCheckCommandLine()
{
    DataCommandLine::setUp(m_parser, QStringLiteral("sweep"),
        QStringLiteral("The test run's counting over a range of hours: in which hours and on "
                       "which devices the CPU-load alarm would have fired."),
        SweepCommandLine::Alarm::Setting);
}

SweepCheckCommandLine::Result SweepCheckCommandLine::parse(
    const QStringList &arguments, const QDateTime &now)
{
    return SweepCheckCommandLine().parsed(arguments, now);
}

SweepCheckCommandLine::Result SweepCheckCommandLine::parsed(
    const QStringList &arguments, const QDateTime &now)
{
    const QString command = QStringLiteral("sweep");
    if (const auto answer = CheckCommandLine::answerFor(m_parser, arguments, command))
        return {answer->action, {}, answer->text, {}};
    QString failure;
    const auto read
        = DataCommandLine::read(m_parser, now, SweepCommandLine::Alarm::Setting, &failure);
    if (!read)
        return {Action::Refused, {}, failure + u' ' + CheckCommandLine::usageHint(command), {}};
    return {Action::Run, {read->settings, read->output}, {}, read->notice};
}

} // namespace tovik
