#include "cli/SweepCheckCommandLine.h"

#include "cli/DataCommandLine.h"

namespace tovik {

SweepCheckCommandLine::SweepCheckCommandLine()
{
    DataCommandLine::setUp(m_parser, QStringLiteral("sweep"),
        QStringLiteral("The test run's counting over a range of hours: in which hours and on "
                       "which devices the CPU-load alarm would have fired."),
        SweepCommandLine::Alarm::Setting, DataCommandLine::Formats::WithReports);
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
    const auto read = DataCommandLine::read(m_parser, now, SweepCommandLine::Alarm::Setting,
        DataCommandLine::Formats::WithReports, &failure);
    if (!read)
        return {Action::Refused, {}, failure + u' ' + CheckCommandLine::usageHint(command), {}};
    return {Action::Run, {read->settings, read->output}, {}, read->notice};
}

bool SweepCheckCommandLine::asksForReport(const QStringList &arguments)
{
    if (arguments.value(1) != QLatin1String("sweep"))
        return false;
    SweepCheckCommandLine commandLine;
    // Only the options are read: the password's sources are left for the run to read once.
    commandLine.m_parser.parse(arguments);
    const auto format
        = DataCommandLine::givenFormat(commandLine.m_parser, DataCommandLine::Formats::WithReports);
    return format == DataOutput::Format::Pdf || format == DataOutput::Format::Html;
}

} // namespace tovik
