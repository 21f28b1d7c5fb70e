#include "testrun/TestParameters.h"

#include "common/IntegerConversion.h"
#include "host/ControlNames.h"
#include "host/RunHost.h"

namespace tovik {

namespace {

std::optional<qint16> readField(const QString &fieldName, const QString &text, QString *failure)
{
    const auto value = IntegerConversion::toInt16(text);
    if (!value)
        *failure = IntegerConversion::int16Failure(fieldName, text);
    return value;
}

} // namespace

std::optional<TestParameters> TestParameters::read(const RunHost &host, QString *failure)
{
    TestParameters p;
    // The monitoring lists show "HH:00"; only the hour counts.
    const auto start = readField(QStringLiteral("Monitoring Time Start"),
        host.controlText(control::kCboCpuMonTimeStart).left(2), failure);
    if (!start)
        return std::nullopt;
    const auto stop = readField(QStringLiteral("Monitoring Time Stop"),
        host.controlText(control::kCboCpuMonTimeStop).left(2), failure);
    if (!stop)
        return std::nullopt;
    const auto threshold = readField(
        QStringLiteral("Avg .CPU Load"), host.controlText(control::kTxtCpuLoadThreshold), failure);
    if (!threshold)
        return std::nullopt;
    const auto occurrences = readField(
        QStringLiteral("Occurrences"), host.controlText(control::kTxtCpuOverThreshold), failure);
    if (!occurrences)
        return std::nullopt;
    p.MonStartHour = *start;
    p.MonStopHour = *stop;
    p.CpuLoadThreshold = *threshold;
    p.Occurrences = *occurrences;
    return p;
}

} // namespace tovik
