#include "options/OptionText.h"

#include "common/TimeFormats.h"
#include "monitoring/AlarmSetting.h"

#include <QRegularExpression>

namespace tovik {

QCommandLineOption OptionText::option(const QStringList &names, const QString &description,
    const QString &valueName, const QString &defaultValue)
{
    const QString shown = defaultValue.isEmpty()
        ? description
        : description + QStringLiteral(" (default: ") + defaultValue + u')';
    return QCommandLineOption(names, shown, valueName, defaultValue);
}

QString OptionText::optionName(const QString &name)
{
    return QStringLiteral("--") + name;
}

std::optional<int> OptionText::wholeNumber(const QString &text, int min, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<OptionText::MonitoringHours> OptionText::monitoringHours(
    const QString &text, QString *failure)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2})-(\\d{1,2})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    const auto start = match.hasMatch() ? wholeNumber(match.captured(1),
                           AlarmSetting::kFirstStartHour, AlarmSetting::kLastStartHour)
                                        : std::nullopt;
    const auto stop = match.hasMatch()
        ? wholeNumber(match.captured(2), AlarmSetting::kFirstStopHour, AlarmSetting::kLastStopHour)
        : std::nullopt;
    if (!start || !stop) {
        *failure = QStringLiteral(
            "--monitoring takes START-STOP, START 0 to 23 and STOP 1 to 24, not '%1'")
                       .arg(text);
        return std::nullopt;
    }
    const MonitoringHours hours {*start, *stop};
    if (!AlarmSetting::monitorsSomeHour(hours.start, hours.stop)) {
        *failure = QStringLiteral("--monitoring %1: %2")
                       .arg(text, AlarmSetting::noMonitoredHourText(hours.start, hours.stop));
        return std::nullopt;
    }
    return hours;
}

std::optional<QDateTime> OptionText::localTime(const QString &text, QString *failure)
{
    const QDateTime time = QDateTime::fromString(text, TimeFormats::kSecond);
    if (!time.isValid()) {
        *failure
            = QStringLiteral("--at takes a local time 'YYYY-MM-DD HH:MM:SS', not '%1'").arg(text);
        return std::nullopt;
    }
    return time;
}

} // namespace tovik
