#pragma once

#include "sweep/AlarmChoice.h"

#include <QSet>
#include <QString>
#include <optional>

namespace tovik {

struct LadderResult;

// Which device-hours one setting catches that a baseline does not, and the other way round, both
// answered from one ladder result without a query.
class BaselineComparison
{
public:
    enum class Change { None, Gained, Lost };

    // Nothing when the ladder of result lacks one of the two thresholds.
    static std::optional<BaselineComparison> compare(
        const LadderResult &result, AlarmChoice baseline, AlarmChoice current);
    // Why there is no comparison against baseline.
    static QString unavailableText(AlarmChoice baseline);

    AlarmChoice baseline() const { return m_baseline; }
    qint64 gainedAlarms() const { return m_gained.size(); }
    qint64 lostAlarms() const { return m_lost.size(); }
    int gainedDevices() const { return int(m_gainedDevices.size()); }
    int lostDevices() const { return int(m_lostDevices.size()); }
    // A device-hour of the result's frame: a report's node in one hour of the range.
    Change change(quint16 reportIndex, qint32 nodeId, quint16 hourIndex) const;
    // "+28 alarms on 5 devices, no alarm lost, against 90 % and 7 occurrences", or
    // "+3 alarms on 2 devices, 5 alarms lost on 1 device, against 90 % and 7 occurrences".
    QString text() const;

private:
    static quint64 deviceKey(quint16 reportIndex, qint32 nodeId);
    static quint64 hourKey(quint16 reportIndex, qint32 nodeId, quint16 hourIndex);

    AlarmChoice m_baseline;
    QSet<quint64> m_gained;
    QSet<quint64> m_lost;
    QSet<quint64> m_gainedDevices;
    QSet<quint64> m_lostDevices;
};

} // namespace tovik
