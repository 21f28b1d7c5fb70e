#include "sweep/SweepGrid.h"

#include "common/NodeName.h"
#include "sweep/LadderResult.h"

#include <QHash>
#include <algorithm>
#include <numeric>

namespace tovik {

// Occurrences are a qint16: a cell's samples kept up to kMostSamples compare with any of them as
// the true number would.
static_assert(GridDevice::kMostSamples > std::numeric_limits<qint16>::max());

namespace {

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

GridDevice::Cell cellOf(quint16 hourIndex, qint32 count, qint32 samples)
{
    return {hourIndex, quint16(std::min(samples, GridDevice::kMostSamples)), count};
}

} // namespace

SweepGrid::SweepGrid(std::shared_ptr<const SweepResult> result)
    : m_result(std::move(result))
{
    QHash<quint64, int> indexOf;
    // Both kinds of rows in hour order, so that each device's cells come in hour order too.
    auto row = m_result->rows.cbegin();
    auto below = m_result->belowRows.cbegin();
    while (row != m_result->rows.cend() || below != m_result->belowRows.cend()) {
        const bool takeBelow = row == m_result->rows.cend()
            || (below != m_result->belowRows.cend() && comesBefore(*below, *row));
        addCell(takeBelow ? *below++ : *row++, indexOf);
    }
    sumUp();
}

// The devices in the order their first cells come in the rows: by hour, report and node.
SweepGrid::SweepGrid(const LadderResult &ladder, int step)
{
    auto frame = std::make_shared<SweepResult>();
    static_cast<SweepFrame &>(*frame) = ladder;
    m_result = std::move(frame);
    QList<int> order(ladder.deviceCount());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&ladder](int a, int b) {
        return ladder.hourOf(ladder.device(a).firstCell)
            < ladder.hourOf(ladder.device(b).firstCell);
    });
    m_devices.reserve(order.size());
    for (const int d : std::as_const(order)) {
        const LadderDevice &of = ladder.device(d);
        GridDevice &device = m_devices.emplaceBack(GridDevice {of.reportIndex, of.nodeId, {}, 0});
        // Reserved first: resizing alone leaves room to grow, which a grid never does.
        device.cells.reserve(ladder.endOfDevice(d) - of.firstCell);
        device.cells.resize(ladder.endOfDevice(d) - of.firstCell);
        GridDevice::Cell *out = device.cells.data();
        for (qsizetype cell = of.firstCell; cell < ladder.endOfDevice(d); ++cell) {
            *out++ = cellOf(ladder.hourOf(cell), ladder.count(cell, step), ladder.samples(cell));
            device.highestCount = std::max(device.highestCount, out[-1].count);
        }
        m_highestCount = std::max(m_highestCount, device.highestCount);
    }
    sumUp();
}

void SweepGrid::sumUp()
{
    addUnexaminedDevices();
    m_reachingDevices = int(std::count_if(m_devices.cbegin(), m_devices.cend(),
        [](const GridDevice &d) { return d.highestCount > 0; }));
    m_monitoredHours = int(m_result->monitored.count(true));
    m_nodesInSeveralReports = nodesInSeveralReports(m_devices);
}

void SweepGrid::addCell(const SweepRow &row, QHash<quint64, int> &indexOf)
{
    const quint64 key = SweepFrame::deviceKey(row.reportIndex, row.nodeId);
    auto found = indexOf.find(key);
    if (found == indexOf.end()) {
        found = indexOf.insert(key, int(m_devices.size()));
        m_devices.append({row.reportIndex, row.nodeId, {}, 0});
    }
    GridDevice &device = m_devices[*found];
    device.cells.append(cellOf(row.hourIndex, row.count, row.samples));
    device.highestCount = std::max(device.highestCount, row.count);
    m_highestCount = std::max(m_highestCount, row.count);
}

// After the devices with cells, in report and node order.
void SweepGrid::addUnexaminedDevices()
{
    QSet<quint64> withCells;
    for (const GridDevice &device : std::as_const(m_devices))
        withCells.insert(SweepFrame::deviceKey(device.reportIndex, device.nodeId));
    QList<quint64> keys;
    for (const quint64 key : m_result->unexaminedDevices) {
        if (!withCells.contains(key))
            keys << key;
    }
    std::sort(keys.begin(), keys.end(), [](quint64 a, quint64 b) {
        return std::pair(a >> 32, qint32(quint32(a))) < std::pair(b >> 32, qint32(quint32(b)));
    });
    for (const quint64 key : std::as_const(keys))
        m_devices.append({quint16(key >> 32), qint32(quint32(key)), {}, 0});
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

const GridDevice::Cell *SweepGrid::cell(int device, int hour) const
{
    const QList<GridDevice::Cell> &cells = m_devices.at(device).cells;
    const auto found = std::lower_bound(cells.cbegin(), cells.cend(), hour,
        [](const GridDevice::Cell &c, int h) { return c.hourIndex < h; });
    return found != cells.cend() && found->hourIndex == hour ? &*found : nullptr;
}

qint32 SweepGrid::count(int device, int hour) const
{
    const GridDevice::Cell *found = cell(device, hour);
    return found ? found->count : 0;
}

qint32 SweepGrid::samples(int device, int hour) const
{
    const GridDevice::Cell *found = cell(device, hour);
    return found ? found->samples : 0;
}

bool SweepGrid::isCaught(int device, int hour, qint16 occurrences) const
{
    return AlarmRules::isCaught(m_devices.at(device).nodeId, count(device, hour), occurrences);
}

bool SweepGrid::isNearMiss(int device, int hour, qint16 occurrences) const
{
    const GridDevice::Cell *found = cell(device, hour);
    return found && isMonitored(hour)
        && AlarmRules::isNearMiss(
            m_devices.at(device).nodeId, found->count, found->samples, occurrences);
}

bool SweepGrid::isBlind(int device, int hour, qint16 occurrences) const
{
    return isMonitored(hour)
        && AlarmRules::isBlind(m_devices.at(device).nodeId, samples(device, hour), occurrences);
}

int SweepGrid::hoursCaught(int device, qint16 occurrences) const
{
    const GridDevice &d = m_devices.at(device);
    return int(std::count_if(d.cells.cbegin(), d.cells.cend(), [&](const GridDevice::Cell &c) {
        return AlarmRules::isCaught(d.nodeId, c.count, occurrences);
    }));
}

int SweepGrid::nearMisses(int device, qint16 occurrences) const
{
    const GridDevice &d = m_devices.at(device);
    return int(std::count_if(d.cells.cbegin(), d.cells.cend(), [&](const GridDevice::Cell &c) {
        return AlarmRules::isNearMiss(d.nodeId, c.count, c.samples, occurrences);
    }));
}

// The cells lie in examined hours only; every other monitored hour has no sample at all.
int SweepGrid::blindHours(int device, qint16 occurrences) const
{
    const GridDevice &d = m_devices.at(device);
    const int withoutSample = AlarmRules::isBlind(d.nodeId, 0, occurrences)
        ? m_monitoredHours - int(d.cells.size())
        : 0;
    return withoutSample
        + int(std::count_if(d.cells.cbegin(), d.cells.cend(), [&](const GridDevice::Cell &c) {
              return AlarmRules::isBlind(d.nodeId, c.samples, occurrences);
          }));
}

QList<int> SweepGrid::caughtPerHour(qint16 occurrences) const
{
    QList<int> caught(hourCount(), 0);
    for (const GridDevice &d : m_devices) {
        for (const GridDevice::Cell &c : d.cells) {
            if (c.count > 0 && AlarmRules::isCaught(d.nodeId, c.count, occurrences))
                ++caught[c.hourIndex];
        }
    }
    return caught;
}

int SweepGrid::blindDeviceHours(qint16 occurrences) const
{
    int blind = 0;
    for (int i = 0; i < deviceCount(); ++i)
        blind += blindHours(i, occurrences);
    return blind;
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
