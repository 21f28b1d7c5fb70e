#include "sweep/SweepGrid.h"

#include "common/NodeName.h"

#include <QHash>
#include <algorithm>

namespace tovik {

namespace {

quint64 deviceKey(const SweepRow &row)
{
    return (quint64(row.reportIndex) << 32) | quint32(row.nodeId);
}

QSet<qint32> nodesInSeveralReports(const QList<GridDevice> &devices)
{
    QSet<qint32> seen;
    QSet<qint32> several;
    for (const GridDevice &device : devices) {
        if (seen.contains(device.nodeId))
            several.insert(device.nodeId);
        seen.insert(device.nodeId);
    }
    return several;
}

} // namespace

SweepGrid::SweepGrid(std::shared_ptr<const SweepResult> result)
    : m_result(std::move(result))
{
    QHash<quint64, int> indexOf;
    for (const SweepRow &row : m_result->rows) {
        auto found = indexOf.find(deviceKey(row));
        if (found == indexOf.end()) {
            found = indexOf.insert(deviceKey(row), int(m_devices.size()));
            m_devices.append({row.reportIndex, row.nodeId, {}, 0});
        }
        GridDevice &device = m_devices[*found];
        // The rows come in hour order, so each device's cells do too.
        device.cells.append({row.hourIndex, row.count});
        device.highestCount = std::max(device.highestCount, row.count);
        m_highestCount = std::max(m_highestCount, row.count);
    }
    m_nodesInSeveralReports = nodesInSeveralReports(m_devices);
}

QString SweepGrid::nodeName(int index) const
{
    const qint32 nodeId = device(index).nodeId;
    return NodeName::of(m_result->node(nodeId).name, nodeId);
}

QString SweepGrid::nodeInReport(int index) const
{
    return nodeName(index) + QStringLiteral(" (") + reportName(index) + u')';
}

QString SweepGrid::deviceName(int index) const
{
    return m_nodesInSeveralReports.contains(device(index).nodeId) ? nodeInReport(index)
                                                                  : nodeName(index);
}

qint32 SweepGrid::reportId(int index) const
{
    return m_result->reportIds.at(device(index).reportIndex);
}

QString SweepGrid::reportName(int index) const
{
    const QString name = m_result->reportNames.value(device(index).reportIndex);
    return name.isEmpty() ? QStringLiteral("report ") + QString::number(reportId(index)) : name;
}

qint32 SweepGrid::count(int device, int hour) const
{
    const QList<GridDevice::Cell> &cells = m_devices.at(device).cells;
    const auto cell = std::lower_bound(cells.cbegin(), cells.cend(), hour,
        [](const GridDevice::Cell &c, int h) { return c.hourIndex < h; });
    return cell != cells.cend() && cell->hourIndex == hour ? cell->count : 0;
}

bool SweepGrid::isCaught(int device, int hour, qint16 occurrences) const
{
    const qint32 n = count(device, hour);
    return n > 0 && SweepResult::isCaught({m_devices.at(device).nodeId, n, 0, 0}, occurrences);
}

int SweepGrid::hoursCaught(int device, qint16 occurrences) const
{
    const GridDevice &d = m_devices.at(device);
    return int(std::count_if(d.cells.cbegin(), d.cells.cend(), [&](const GridDevice::Cell &c) {
        return SweepResult::isCaught({d.nodeId, c.count, 0, 0}, occurrences);
    }));
}

QList<int> SweepGrid::byHoursCaught(qint16 occurrences) const
{
    QList<int> caught(m_devices.size());
    QList<int> order(m_devices.size());
    for (int i = 0; i < order.size(); ++i) {
        order[i] = i;
        caught[i] = hoursCaught(i, occurrences);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const GridDevice &da = m_devices.at(a);
        const GridDevice &db = m_devices.at(b);
        return std::tuple(-caught[a], -da.highestCount, da.reportIndex, da.nodeId)
            < std::tuple(-caught[b], -db.highestCount, db.reportIndex, db.nodeId);
    });
    return order;
}

} // namespace tovik
