#include "cli/CheckCommandLine.h"

#include "common/WallClock.h"
#include "options/CommandLinePrelude.h"
#include "options/ConnectionCommandLine.h"
#include "options/OptionText.h"
#include "options/SweepCommandLine.h"

namespace tovik {

namespace {

constexpr int lastHourOffset = 23;

bool isPasswordArgument(const QString &argument)
{
    return argument == QLatin1String("--password")
        || argument.startsWith(QLatin1String("--password="));
}

const QString passwordRefusal = QStringLiteral(
    "--password is not accepted, since every user of the machine can read a command line: put "
    "the password in the environment variable TOVIK_PASSWORD or in the first line of a file "
    "named by --password-file");

QString generalHelp()
{
    return QStringLiteral("Usage: %1 run|sweep|tune [options]\n"
                          "Tries the CPU-load alarm settings on the monitoring database, as the "
                          "Test button of Tovik SQL Tester does, and reports like a monitoring "
                          "plugin (exit 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN).\n\n"
                          "Commands:\n"
                          "  run    one test run of the hour before the reference time\n"
                          "  sweep  the same counting over a range of hours: when and where the "
                          "alarm would have fired\n"
                          "  tune   every threshold of a ladder against every occurrences value: "
                          "the alarms a day each setting would have sent\n\n"
                          "%1 run --help, %1 sweep --help and %1 tune --help list the options "
                          "with their defaults.\n")
        .arg(CheckCommandLine::programName);
}

} // namespace

CheckCommandLine::CheckCommandLine()
{
    m_parser.setApplicationDescription(QStringLiteral(
        "One test run of the CPU-load alarm settings, reported as a monitoring plugin."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addPositionalArgument(QStringLiteral("run"), QStringLiteral("The command."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    // The window's defaults, which a sweep's choice starts from as well.
    const SweepChoice windowDefaults;
    ConnectionCommandLine::addOptions(m_parser, windowDefaults.connection);
    SweepCommandLine::addAlarmOptions(m_parser, windowDefaults);
    m_parser.addOption(OptionText::option({"hours-ago"},
        "The reference time is now minus X hours (0 to 23); the run examines the hour before it.",
        "X", "0"));
    m_parser.addOption(OptionText::option(
        {"at"}, "Fixed reference time, instead of --hours-ago.", "YYYY-MM-DD HH:MM:SS"));
    m_parser.addOption(OptionText::option(
        {"run-log"}, "Write the run log to FILE, or to standard output for -.", "FILE|-"));
    m_parser.addOption(OptionText::option(
        {"warning"}, "WARNING from this many caught devices (default: off).", "N"));
    const CheckOptions defaults;
    m_parser.addOption(OptionText::option({"critical"}, "CRITICAL from this many caught devices.",
        "N", QString::number(defaults.critical)));
    m_parser.addOption(timeoutOption(QString::number(defaults.timeoutSeconds)));
}

QCommandLineOption CheckCommandLine::timeoutOption(const QString &defaultValue)
{
    return OptionText::option(
        {"t", "timeout"}, "UNKNOWN when the command takes longer.", "SECONDS", defaultValue);
}

std::optional<int> CheckCommandLine::countFromOne(
    const QCommandLineParser &parser, const QString &name, QString *failure)
{
    const QString text = parser.value(name);
    const auto value = OptionText::wholeNumber(text, 1, std::numeric_limits<int>::max());
    if (!value)
        *failure = QStringLiteral("--%1 takes a whole number from 1 on, not '%2'").arg(name, text);
    return value;
}

QString CheckCommandLine::usageHint(const QString &command)
{
    return QStringLiteral("(see %1 %2 --help)").arg(programName, command);
}

CheckCommandLine::Result CheckCommandLine::parse(const QStringList &arguments, const QDateTime &now)
{
    if (std::any_of(arguments.begin(), arguments.end(), isPasswordArgument))
        return {Action::Refused, {}, passwordRefusal, {}};
    const QString command = arguments.value(1);
    if (command == QLatin1String("run"))
        return CheckCommandLine().parseRun(arguments, now);
    if (command == QLatin1String("sweep"))
        return {Action::Sweep, {}, {}, {}};
    if (command == QLatin1String("tune"))
        return {Action::Tune, {}, {}, {}};
    if (command.isEmpty())
        return {Action::Usage, {}, generalHelp(), {}};
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("--help-all"))
        return {Action::Help, {}, generalHelp(), {}};
    if (command == QLatin1String("--version") || command == QLatin1String("-v"))
        return {Action::Version, {}, CommandLinePrelude::versionText(programName), {}};
    return {Action::Refused, {},
        QStringLiteral("unknown command '%1' %2").arg(command, usageHint(QStringLiteral("run"))),
        {}};
}

std::optional<CheckCommandLine::Answer> CheckCommandLine::answerFor(
    QCommandLineParser &parser, const QStringList &arguments, const QString &command)
{
    const auto answer = CommandLinePrelude::answer(parser, arguments, programName, {command});
    if (!answer)
        return std::nullopt;
    switch (answer->kind) {
    case CommandLinePrelude::Kind::Help:
        return Answer {Action::Help, answer->text};
    case CommandLinePrelude::Kind::Version:
        return Answer {Action::Version, answer->text};
    case CommandLinePrelude::Kind::Refused:
        break;
    }
    return Answer {Action::Refused, answer->text + u' ' + usageHint(command)};
}

CheckCommandLine::Result CheckCommandLine::parseRun(
    const QStringList &arguments, const QDateTime &now)
{
    const QString command = QStringLiteral("run");
    if (const auto answer = answerFor(m_parser, arguments, command))
        return {answer->action, {}, answer->text, {}};
    Result result {Action::Run, {}, {}, {}};
    if (!readOptions(now, &result.options, &result.text))
        return {Action::Refused, {}, result.text + u' ' + usageHint(command), {}};
    result.notice = ConnectionCommandLine::notice(m_parser, result.options.connection);
    return result;
}

bool CheckCommandLine::readOptions(
    const QDateTime &now, CheckOptions *options, QString *failure) const
{
    const auto connection
        = ConnectionCommandLine::read(m_parser, SweepChoice().connection, failure);
    if (!connection)
        return false;
    options->connection = *connection;
    if (m_parser.isSet(QStringLiteral("run-log")))
        options->runLogPath = m_parser.value(QStringLiteral("run-log"));
    return readAlarm(options, failure) && readReferenceTime(now, options, failure)
        && readLimits(options, failure);
}

bool CheckCommandLine::readAlarm(CheckOptions *options, QString *failure) const
{
    SweepChoice alarm;
    if (!SweepCommandLine::readAlarmOptions(m_parser, alarm, failure))
        return false;
    options->alarm = {alarm.monStartHour, alarm.monStopHour, alarm.threshold, alarm.occurrences};
    return true;
}

bool CheckCommandLine::readReferenceTime(
    const QDateTime &now, CheckOptions *options, QString *failure) const
{
    if (m_parser.isSet(QStringLiteral("at"))) {
        if (m_parser.isSet(QStringLiteral("hours-ago"))) {
            *failure = QStringLiteral("--at and --hours-ago exclude each other");
            return false;
        }
        const auto at = OptionText::localTime(m_parser.value(QStringLiteral("at")), failure);
        if (!at)
            return false;
        options->referenceTime = *at;
        return true;
    }
    const auto hoursAgo
        = OptionText::wholeNumber(m_parser.value(QStringLiteral("hours-ago")), 0, lastHourOffset);
    if (!hoursAgo) {
        *failure = QStringLiteral("--hours-ago takes 0 to 23, not '%1'")
                       .arg(m_parser.value(QStringLiteral("hours-ago")));
        return false;
    }
    options->referenceTime = WallClock::referenceTime(now, *hoursAgo);
    return true;
}

bool CheckCommandLine::readLimits(CheckOptions *options, QString *failure) const
{
    const auto number
        = [this, failure](const QString &name) { return countFromOne(m_parser, name, failure); };
    if (m_parser.isSet(QStringLiteral("warning"))) {
        options->warning = number(QStringLiteral("warning"));
        if (!options->warning)
            return false;
    }
    const auto critical = number(QStringLiteral("critical"));
    const auto timeout = critical ? number(QStringLiteral("timeout")) : std::nullopt;
    if (!timeout)
        return false;
    options->critical = *critical;
    options->timeoutSeconds = *timeout;
    return true;
}

} // namespace tovik
