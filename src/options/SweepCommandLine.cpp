#include "options/SweepCommandLine.h"

#include "monitoring/AlarmSetting.h"
#include "options/ConnectionCommandLine.h"
#include "options/OptionText.h"

namespace tovik {

namespace {

QString monitoringText(const SweepChoice &choice)
{
    return QStringLiteral("%1-%2").arg(choice.monStartHour).arg(choice.monStopHour);
}

QCommandLineOption monitoringOption(const SweepChoice &base)
{
    return OptionText::option({"monitoring"},
        "Monitoring time, whole hours: START 0 to 23, STOP 1 to 24, START before STOP (it does "
        "not wrap past midnight).",
        "START-STOP", monitoringText(base));
}

} // namespace

void SweepCommandLine::addOptions(QCommandLineParser &parser, const SweepChoice &base, Alarm alarm)
{
    ConnectionCommandLine::addOptions(parser, base.connection);
    parser.addOptions({
        OptionText::option({"last"}, "The last H whole hours before the current one.", "H",
            QString::number(base.lastHours)),
        OptionText::option(
            {"from"}, "First hour of a fixed range, instead of --last.", "YYYY-MM-DD HH:00:00"),
        OptionText::option({"to"}, "End of a fixed range (exclusive).", "YYYY-MM-DD HH:00:00"),
    });
    if (alarm == Alarm::Setting)
        addAlarmOptions(parser, base);
    else
        parser.addOption(monitoringOption(base));
}

void SweepCommandLine::addAlarmOptions(QCommandLineParser &parser, const SweepChoice &base)
{
    parser.addOptions({
        OptionText::option({"threshold"}, "Avg. CPU load threshold in percent.", "PERCENT",
            QString::number(base.threshold)),
        OptionText::option({"occurrences"}, "Samples at or over the threshold that catch a device.",
            "N", QString::number(base.occurrences)),
        monitoringOption(base),
    });
}

std::optional<SweepChoice> SweepCommandLine::read(
    const QCommandLineParser &parser, const SweepChoice &base, QString *failure, Alarm alarm)
{
    const auto connection = ConnectionCommandLine::read(parser, base.connection, failure);
    if (!connection)
        return std::nullopt;
    SweepChoice choice = base;
    choice.connection = *connection;
    if (!readRange(parser, choice, failure))
        return std::nullopt;
    const bool alarmRead = alarm == Alarm::Setting ? readAlarmOptions(parser, choice, failure)
                                                   : readMonitoring(parser, choice, failure);
    if (!alarmRead)
        return std::nullopt;
    return choice;
}

bool SweepCommandLine::readAlarmOptions(
    const QCommandLineParser &parser, SweepChoice &choice, QString *failure)
{
    return readAlarm(parser, choice, failure) && readMonitoring(parser, choice, failure);
}

bool SweepCommandLine::readRange(
    const QCommandLineParser &parser, SweepChoice &choice, QString *failure)
{
    const bool from = parser.isSet(QStringLiteral("from"));
    const bool to = parser.isSet(QStringLiteral("to"));
    const bool last = parser.isSet(QStringLiteral("last"));
    if (from != to || (from && last)) {
        *failure = QStringLiteral("a range is --last H, or --from and --to together");
        return false;
    }
    if (from) {
        choice.fixedRange = true;
        choice.from = parser.value(QStringLiteral("from"));
        choice.to = parser.value(QStringLiteral("to"));
        return bool(SweepRange::fromTexts(choice.from, choice.to, failure));
    }
    if (!last)
        return true;
    const QString text = parser.value(QStringLiteral("last"));
    const auto hours = OptionText::wholeNumber(text, 1, SweepRange::kMaxHours);
    if (!hours) {
        *failure = QStringLiteral("--last takes 1 to %1 hours, not '%2'")
                       .arg(SweepRange::kMaxHours)
                       .arg(text);
        return false;
    }
    choice.fixedRange = false;
    choice.lastHours = *hours;
    return true;
}

bool SweepCommandLine::readAlarm(
    const QCommandLineParser &parser, SweepChoice &choice, QString *failure)
{
    using Reader = std::optional<qint16> (*)(const QString &, QString *, const QString &);
    const auto read = [&parser, failure](const QString &name, Reader reader, qint16 *value) {
        if (!parser.isSet(name))
            return true;
        const auto number = reader(parser.value(name), failure, OptionText::optionName(name));
        if (number)
            *value = *number;
        return bool(number);
    };
    return read(QStringLiteral("threshold"), AlarmSetting::readThreshold, &choice.threshold)
        && read(QStringLiteral("occurrences"), AlarmSetting::readOccurrences, &choice.occurrences);
}

bool SweepCommandLine::readMonitoring(
    const QCommandLineParser &parser, SweepChoice &choice, QString *failure)
{
    if (!parser.isSet(QStringLiteral("monitoring")))
        return true;
    const auto hours
        = OptionText::monitoringHours(parser.value(QStringLiteral("monitoring")), failure);
    if (!hours)
        return false;
    choice.monStartHour = qint16(hours->start);
    choice.monStopHour = qint16(hours->stop);
    return true;
}

} // namespace tovik
