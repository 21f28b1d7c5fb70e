#include "explorer/models/BaselineComparison.h"

#include "monitoring/AlarmRules.h"
#include "sweep/LadderResult.h"

#include <QLocale>

namespace tovik {

namespace {

// "1 alarm", "28 alarms".
QString counted(qint64 count, const QString &one, const QString &many)
{
    return QLocale().toString(count) + u' ' + (count == 1 ? one : many);
}

QString settingText(AlarmChoice choice)
{
    return QStringLiteral("%1 % and %2")
        .arg(QLocale().toString(choice.threshold),
            counted(
                choice.occurrences, QStringLiteral("occurrence"), QStringLiteral("occurrences")));
}

QString alarms(qint64 count)
{
    return counted(count, QStringLiteral("alarm"), QStringLiteral("alarms"));
}

QString devices(int count)
{
    return counted(count, QStringLiteral("device"), QStringLiteral("devices"));
}

QString gainedText(qint64 alarmCount, int deviceCount)
{
    if (alarmCount == 0)
        return QStringLiteral("no alarm gained");
    return u'+' + alarms(alarmCount) + QStringLiteral(" on ") + devices(deviceCount);
}

QString lostText(qint64 alarmCount, int deviceCount)
{
    if (alarmCount == 0)
        return QStringLiteral("no alarm lost");
    return alarms(alarmCount) + QStringLiteral(" lost on ") + devices(deviceCount);
}

} // namespace

std::optional<BaselineComparison> BaselineComparison::compare(
    const LadderResult &result, AlarmChoice baseline, AlarmChoice current)
{
    const std::optional<int> baseStep = result.ladder.stepOf(baseline.threshold);
    const std::optional<int> currentStep = result.ladder.stepOf(current.threshold);
    if (!baseStep || !currentStep)
        return std::nullopt;
    BaselineComparison comparison;
    comparison.m_baseline = baseline;
    result.forEachCell([&](const LadderCell &cell, qsizetype i) {
        const bool was
            = AlarmRules::isCaught(cell.nodeId, result.count(i, *baseStep), baseline.occurrences);
        const bool is
            = AlarmRules::isCaught(cell.nodeId, result.count(i, *currentStep), current.occurrences);
        if (was == is)
            return;
        (is ? comparison.m_gained : comparison.m_lost)
            .insert(hourKey(cell.reportIndex, cell.nodeId, cell.hourIndex));
        (is ? comparison.m_gainedDevices : comparison.m_lostDevices)
            .insert(deviceKey(cell.reportIndex, cell.nodeId));
    });
    return comparison;
}

QString BaselineComparison::unavailableText(AlarmChoice baseline)
{
    return QStringLiteral("No comparison against %1: this result does not count that threshold.")
        .arg(settingText(baseline));
}

BaselineComparison::Change BaselineComparison::change(
    quint16 reportIndex, qint32 nodeId, quint16 hourIndex) const
{
    const quint64 key = hourKey(reportIndex, nodeId, hourIndex);
    if (m_gained.contains(key))
        return Change::Gained;
    return m_lost.contains(key) ? Change::Lost : Change::None;
}

QString BaselineComparison::text() const
{
    return QStringLiteral("%1, %2, against %3")
        .arg(gainedText(gainedAlarms(), gainedDevices()), lostText(lostAlarms(), lostDevices()),
            settingText(m_baseline));
}

quint64 BaselineComparison::deviceKey(quint16 reportIndex, qint32 nodeId)
{
    return (quint64(reportIndex) << 32) | quint32(nodeId);
}

quint64 BaselineComparison::hourKey(quint16 reportIndex, qint32 nodeId, quint16 hourIndex)
{
    return (quint64(hourIndex) << 48) | deviceKey(reportIndex, nodeId);
}

} // namespace tovik
