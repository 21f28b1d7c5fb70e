#include "sweep/IncidentMatch.h"

#include <QRegularExpression>
#include <algorithm>

namespace tovik {

namespace {

constexpr qint64 kSecondsPerHour = 3600;

// The hour of the range that holds time, counted from its first; negative before it.
qint64 hourHolding(const SweepRange &range, const QDateTime &time)
{
    const qint64 seconds = range.from().secsTo(time);
    return seconds >= 0 ? seconds / kSecondsPerHour : -((-seconds - 1) / kSecondsPerHour) - 1;
}

// Names compare as SQL Server's default collation compares them: without regard to case.
QString nameKey(const QString &name)
{
    return name.toCaseFolded();
}

} // namespace

IncidentMatch::IncidentMatch(
    const QList<Incident> &incidents, const SweepRange &range, int leadHours)
    : m_incidents(incidents)
    , m_namesDevice(incidents.size(), false)
    , m_anyDeviceByHour(std::size_t(range.hourCount()))
{
    // An hour [h, h + 1) overlaps [start - lead, end) from the hour holding start - lead to the
    // last hour that begins before end.
    for (const Incident &incident : incidents) {
        const qint64 first
            = hourHolding(range, incident.start.addSecs(-qint64(leadHours) * kSecondsPerHour));
        const qint64 last = hourHolding(range, incident.end.addSecs(-1));
        m_windows.push_back({int(std::clamp<qint64>(first, 0, range.hourCount())),
            int(std::clamp<qint64>(last, -1, range.hourCount() - 1))});
    }
}

bool IncidentMatch::overlaps(int incident, int first, int last) const
{
    const Window &window = m_windows[std::size_t(incident)];
    return window.first <= last && first <= window.last && window.first <= window.last;
}

void IncidentMatch::resolve(const SweepFrame &frame)
{
    m_byDevice.clear();
    m_deviceIncidents.clear();
    m_lastKey.reset();
    for (std::vector<int> &ofHour : m_anyDeviceByHour)
        ofHour.clear();
    NodeIndex nodes;
    for (auto node = frame.nodes.cbegin(); node != frame.nodes.cend(); ++node) {
        nodes.byName[nameKey(node->name)] << node.key();
        nodes.byAddress[node->address] << node.key();
    }
    for (int i = 0; i < m_incidents.size(); ++i) {
        const Window &window = m_windows[std::size_t(i)];
        if (m_incidents[i].isAnyDevice()) {
            m_namesDevice[i] = true;
            for (int h = window.first; h <= window.last; ++h)
                m_anyDeviceByHour[std::size_t(h)].push_back(i);
            continue;
        }
        const QList<quint64> devices = devicesOf(m_incidents[i].device, frame, nodes);
        m_namesDevice[i] = !devices.isEmpty();
        for (const quint64 device : devices) {
            const auto known = m_byDevice.constFind(device);
            const int index = known != m_byDevice.cend() ? *known : int(m_deviceIncidents.size());
            if (known == m_byDevice.cend()) {
                m_byDevice.insert(device, index);
                m_deviceIncidents.emplace_back();
            }
            m_deviceIncidents[std::size_t(index)].push_back(i);
        }
    }
    m_resolved = true;
}

QList<quint64> IncidentMatch::devicesOf(
    const QString &device, const SweepFrame &frame, const NodeIndex &nodes)
{
    static const QRegularExpression reportNode(QStringLiteral("^(\\d+):(\\d+)$"));
    QList<quint64> devices;
    if (const QRegularExpressionMatch match = reportNode.match(device); match.hasMatch()) {
        bool reportOk = false;
        bool nodeOk = false;
        const qint32 reportId = match.captured(1).toInt(&reportOk);
        const qint32 nodeId = match.captured(2).toInt(&nodeOk);
        const qsizetype report = frame.reportIds.indexOf(reportId);
        if (reportOk && nodeOk && report >= 0)
            devices << SweepFrame::deviceKey(quint16(report), nodeId);
        return devices;
    }
    QList<qint32> nodeIds = nodes.byName.value(nameKey(device)) + nodes.byAddress.value(device);
    std::sort(nodeIds.begin(), nodeIds.end());
    nodeIds.erase(std::unique(nodeIds.begin(), nodeIds.end()), nodeIds.end());
    for (const qint32 nodeId : std::as_const(nodeIds)) {
        for (qsizetype report = 0; report < frame.reportIds.size(); ++report)
            devices << SweepFrame::deviceKey(quint16(report), nodeId);
    }
    return devices;
}

void IncidentMatch::ownIncidentsOf(const LadderCell &cell, std::vector<int> &found)
{
    found.clear();
    if (m_byDevice.isEmpty())
        return;
    const quint64 key = SweepFrame::deviceKey(cell.reportIndex, cell.nodeId);
    if (key != m_lastKey) {
        m_lastKey = key;
        m_lastDevice = m_byDevice.value(key, -1);
    }
    if (m_lastDevice < 0)
        return;
    for (const int incident : m_deviceIncidents[std::size_t(m_lastDevice)]) {
        if (overlaps(incident, cell.hourIndex, cell.hourIndex))
            found.push_back(incident);
    }
}

void IncidentMatch::incidentsOf(const LadderCell &cell, std::vector<int> &found)
{
    ownIncidentsOf(cell, found);
    const std::vector<int> &ofAnyDevice = anyDeviceIncidentsAt(cell.hourIndex);
    found.insert(found.begin(), ofAnyDevice.cbegin(), ofAnyDevice.cend());
}

std::optional<QString> IncidentMatch::unmatchedText() const
{
    if (!m_resolved || !m_namesDevice.contains(false))
        return std::nullopt;
    QStringList lines;
    for (int i = 0; i < m_incidents.size(); ++i) {
        if (!m_namesDevice[i])
            lines << QStringLiteral("line %1 \"%2\"")
                         .arg(m_incidents[i].line)
                         .arg(m_incidents[i].device);
    }
    const QString incidents = lines.size() == 1
        ? QStringLiteral("1 incident names")
        : QStringLiteral("%1 incidents name").arg(lines.size());
    return QStringLiteral("%1 no device: %2").arg(incidents, lines.join(QStringLiteral(", ")));
}

} // namespace tovik
