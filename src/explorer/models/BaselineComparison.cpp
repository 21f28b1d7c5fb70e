#include "explorer/models/BaselineComparison.h"

#include "sweep/LadderResult.h"
#include "testrun/AlarmRules.h"

#include <QLocale>

namespace tovik {

namespace {

QString settingText(AlarmChoice choice)
{
    const QLocale locale;
    return QStringLiteral("%1 %, %2")
        .arg(locale.toString(choice.threshold), locale.toString(choice.occurrences));
}

QString alarmsText(QChar sign, qint64 alarms, int devices)
{
    const QLocale locale;
    return QStringLiteral("%1%2 alarms on %3 devices")
        .arg(sign)
        .arg(locale.toString(alarms), locale.toString(devices));
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
    for (qsizetype i = 0; i < qsizetype(result.cells.size()); ++i) {
        const LadderCell &cell = result.cells[std::size_t(i)];
        const bool was
            = AlarmRules::isCaught(cell.nodeId, result.count(i, *baseStep), baseline.occurrences);
        const bool is
            = AlarmRules::isCaught(cell.nodeId, result.count(i, *currentStep), current.occurrences);
        if (was == is)
            continue;
        (is ? comparison.m_gained : comparison.m_lost)
            .insert(hourKey(cell.reportIndex, cell.nodeId, cell.hourIndex));
        (is ? comparison.m_gainedDevices : comparison.m_lostDevices)
            .insert(deviceKey(cell.reportIndex, cell.nodeId));
    }
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
    return QStringLiteral("%1, %2 against %3")
        .arg(alarmsText(u'+', gainedAlarms(), gainedDevices()),
            alarmsText(QChar(0x2212), lostAlarms(), lostDevices()), settingText(m_baseline));
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
