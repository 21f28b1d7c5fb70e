#include "cli/SweepCheckCommandLine.h"

#include "options/ConnectionCommandLine.h"
#include "options/OptionText.h"
#include "options/SweepCommandLine.h"

namespace tovik {

namespace {

const QStringList formatNames {
    QStringLiteral("csv"), QStringLiteral("json"), QStringLiteral("table")};

} // namespace

SweepCheckCommandLine::SweepCheckCommandLine()
{
    m_parser.setApplicationDescription(
        QStringLiteral("The test run's counting over a range of hours: in which hours and on "
                       "which devices the CPU-load alarm would have fired."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addPositionalArgument(QStringLiteral("sweep"), QStringLiteral("The command."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    SweepCommandLine::addOptions(m_parser, SweepChoice());
    m_parser.addOptions({
        {QStringLiteral("at"),
            QStringLiteral("The moment --last counts back from, instead of now."),
            QStringLiteral("YYYY-MM-DD HH:MM:SS")},
        {QStringLiteral("format"),
            QStringLiteral("Output: csv, json or table (default: table on a terminal, else csv)."),
            QStringLiteral("csv|json|table")},
        {QStringLiteral("output"),
            QStringLiteral("Write the output to FILE instead of standard output."),
            QStringLiteral("FILE")},
    });
    m_parser.addOption(CheckCommandLine::timeoutOption({}));
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
    Result result {Action::Run, {}, {}, {}};
    const auto choice = SweepCommandLine::read(m_parser, SweepChoice(), &result.text);
    const auto reference
        = choice ? referenceTime(now, choice->fixedRange, &result.text) : std::nullopt;
    const auto settings = reference ? choice->sweep(*reference, &result.text) : std::nullopt;
    if (!settings || !readFormat(result.options, &result.text)
        || !readTimeout(result.options, &result.text))
        return {Action::Refused, {}, result.text + u' ' + CheckCommandLine::usageHint(command), {}};
    result.notice = ConnectionCommandLine::notice(m_parser, choice->connection);
    result.options.settings = *settings;
    result.options.outputPath = m_parser.value(QStringLiteral("output"));
    return result;
}

std::optional<QDateTime> SweepCheckCommandLine::referenceTime(
    const QDateTime &now, bool fixedRange, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("at")))
        return now;
    if (fixedRange) {
        *failure = QStringLiteral(
            "--at sets the end of --last; it cannot be combined with --from and --to");
        return std::nullopt;
    }
    return OptionText::localTime(m_parser.value(QStringLiteral("at")), failure);
}

bool SweepCheckCommandLine::readTimeout(SweepCheckOptions &options, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("timeout")))
        return true;
    options.timeoutSeconds
        = CheckCommandLine::countFromOne(m_parser, QStringLiteral("timeout"), failure);
    return bool(options.timeoutSeconds);
}

bool SweepCheckCommandLine::readFormat(SweepCheckOptions &options, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("format")))
        return true;
    const QString name = m_parser.value(QStringLiteral("format"));
    const qsizetype index = formatNames.indexOf(name);
    if (index < 0) {
        *failure = QStringLiteral("--format takes csv, json or table, not '%1'").arg(name);
        return false;
    }
    options.format = SweepCheckOptions::Format(index);
    return true;
}

} // namespace tovik
