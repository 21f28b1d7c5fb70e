#include "monitoring/AlarmSetting.h"

#include "common/IntegerConversion.h"
#include "common/TimeFormats.h"

namespace tovik {

namespace {

std::optional<qint16> readField(const QString &fieldName, const QString &text, QString *failure)
{
    const auto value = IntegerConversion::toInt16(text);
    if (!value)
        *failure = IntegerConversion::int16Failure(fieldName, text);
    return value;
}

// The monitoring lists show "HH:00"; only the hour counts.
QString hourOfEntry(const QString &entry)
{
    return entry.left(2);
}

} // namespace

std::optional<AlarmSetting> AlarmSetting::fromShownTexts(const ShownTexts &texts, QString *failure)
{
    const auto start
        = readField(QStringLiteral("Monitoring Time Start"), hourOfEntry(texts.monStart), failure);
    if (!start)
        return std::nullopt;
    const auto stop
        = readField(QStringLiteral("Monitoring Time Stop"), hourOfEntry(texts.monStop), failure);
    if (!stop)
        return std::nullopt;
    const auto threshold = readThreshold(texts.threshold, failure);
    if (!threshold)
        return std::nullopt;
    const auto occurrences = readOccurrences(texts.occurrences, failure);
    if (!occurrences)
        return std::nullopt;
    return AlarmSetting {*start, *stop, *threshold, *occurrences};
}

std::optional<qint16> AlarmSetting::readThreshold(
    const QString &text, QString *failure, const QString &fieldName)
{
    return readField(fieldName, text, failure);
}

std::optional<qint16> AlarmSetting::readOccurrences(
    const QString &text, QString *failure, const QString &fieldName)
{
    return readField(fieldName, text, failure);
}

QString AlarmSetting::noMonitoredHourText(int start, int stop)
{
    return QStringLiteral("the monitoring time %1 to %2 monitors no hour: it does not wrap past "
                          "midnight, so its start must come before its stop")
        .arg(TimeFormats::hourOfDay(start), TimeFormats::hourOfDay(stop));
}

} // namespace tovik
