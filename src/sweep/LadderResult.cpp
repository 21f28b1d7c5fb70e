#include "sweep/LadderResult.h"

#include <algorithm>
#include <numeric>

namespace tovik {

namespace {

bool sameDevice(const LadderDevice &device, qint32 nodeId, quint16 reportIndex)
{
    return device.nodeId == nodeId && device.reportIndex == reportIndex;
}

// The order of devices: by report, then node.
bool deviceBefore(const LadderDevice &a, const LadderDevice &b)
{
    return std::tie(a.reportIndex, a.nodeId) < std::tie(b.reportIndex, b.nodeId);
}

} // namespace

// Until arrange(), each device entry is a run of consecutive cells of one device.
void LadderResult::add(const LadderCell &cell, const qint32 *counts)
{
    if (m_counts.width() == 0)
        m_counts = LadderCounts(1 + ladder.size());
    if (m_devices.empty() || !sameDevice(m_devices.back(), cell.nodeId, cell.reportIndex))
        m_devices.push_back({cell.nodeId, cell.reportIndex, quint32(cellCount())});
    m_hours.push_back(cell.hourIndex);
    m_counts.append(counts);
}

qsizetype LadderResult::endOfDevice(int index) const
{
    return std::size_t(index) + 1 < m_devices.size() ? m_devices[std::size_t(index) + 1].firstCell
                                                     : cellCount();
}

// Cells come report by report and, from most servers, by node and hour within a report: then
// they lie as they should already and nothing moves.
void LadderResult::arrange()
{
    if (!isArranged())
        m_counts.reorder(arrangedOrder());
    m_hours.shrink_to_fit();
    m_devices.shrink_to_fit();
}

bool LadderResult::isArranged() const
{
    for (int d = 0; d < deviceCount(); ++d) {
        if (d > 0 && !deviceBefore(device(d - 1), device(d)))
            return false;
        const auto first = m_hours.cbegin() + device(d).firstCell;
        if (std::adjacent_find(first, m_hours.cbegin() + endOfDevice(d), std::greater_equal<>())
            != m_hours.cbegin() + endOfDevice(d))
            return false;
    }
    return true;
}

// Where each cell goes, the runs of one device brought together and its cells put in hour order;
// the devices and hours are arranged by it here, the counts by the caller.
std::vector<quint32> LadderResult::arrangedOrder()
{
    std::vector<std::size_t> runs(m_devices.size());
    std::iota(runs.begin(), runs.end(), std::size_t(0));
    std::stable_sort(runs.begin(), runs.end(),
        [this](std::size_t a, std::size_t b) { return deviceBefore(m_devices[a], m_devices[b]); });
    std::vector<quint32> order;
    order.reserve(std::size_t(cellCount()));
    std::vector<LadderDevice> devices;
    for (const std::size_t run : runs) {
        const LadderDevice &d = m_devices[run];
        if (devices.empty() || !sameDevice(devices.back(), d.nodeId, d.reportIndex))
            devices.push_back({d.nodeId, d.reportIndex, quint32(order.size())});
        for (qsizetype cell = d.firstCell; cell < endOfDevice(int(run)); ++cell)
            order.push_back(quint32(cell));
    }
    m_devices = std::move(devices);
    for (int d = 0; d < deviceCount(); ++d) {
        std::stable_sort(order.begin() + device(d).firstCell, order.begin() + endOfDevice(d),
            [this](quint32 a, quint32 b) { return m_hours[a] < m_hours[b]; });
    }
    std::vector<quint16> hours(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        hours[k] = m_hours[order[k]];
    m_hours = std::move(hours);
    return order;
}

std::optional<qsizetype> LadderResult::find(const LadderCell &cell) const
{
    const LadderDevice key {cell.nodeId, cell.reportIndex, 0};
    const auto device = std::lower_bound(m_devices.cbegin(), m_devices.cend(), key, deviceBefore);
    if (device == m_devices.cend() || !sameDevice(*device, cell.nodeId, cell.reportIndex))
        return std::nullopt;
    const auto end = m_hours.cbegin() + endOfDevice(int(device - m_devices.cbegin()));
    const auto hour = std::lower_bound(m_hours.cbegin() + device->firstCell, end, cell.hourIndex);
    if (hour == end || *hour != cell.hourIndex)
        return std::nullopt;
    return qsizetype(hour - m_hours.cbegin());
}

double LadderResult::bytesPerNodeHour() const
{
    if (cellCount() == 0)
        return 0.0;
    const std::size_t bytes = m_counts.bytes() + m_hours.capacity() * sizeof(quint16)
        + m_devices.capacity() * sizeof(LadderDevice);
    return double(bytes) / double(cellCount());
}

qint32 LadderResult::mostSamplesInAnHour() const
{
    qint32 most = 0;
    forEachCell([&](const LadderCell &cell, qsizetype i) {
        if (AlarmRules::isDevice(cell.nodeId))
            most = std::max(most, samples(i));
    });
    return most;
}

// Hour by hour, taking from each device, in report and node order, its next cell when it lies
// in that hour.
SweepResult LadderResult::atStep(int step) const
{
    SweepResult result;
    static_cast<SweepFrame &>(result) = *this;
    std::vector<quint32> next(m_devices.size());
    for (int d = 0; d < deviceCount(); ++d)
        next[std::size_t(d)] = device(d).firstCell;
    for (int hour = 0, left = int(cellCount()); left > 0; ++hour) {
        for (int d = 0; d < deviceCount(); ++d) {
            const quint32 cell = next[std::size_t(d)];
            if (cell == endOfDevice(d) || m_hours[cell] != hour)
                continue;
            const LadderDevice &of = device(d);
            result.add(SweepResult::rowOf(
                {of.nodeId, quint16(hour), of.reportIndex}, count(cell, step), samples(cell)));
            ++next[std::size_t(d)];
            --left;
        }
    }
    return result;
}

std::optional<SweepResult> LadderResult::atThreshold(qint16 threshold) const
{
    const std::optional<int> step = ladder.stepOf(threshold);
    if (!step)
        return std::nullopt;
    return atStep(*step);
}

// Both are arranged: the same samples give the same devices and cells, one by one.
bool LadderResult::sameCellsAs(const LadderResult &other) const
{
    if (other.cellCount() != cellCount() || other.m_hours != m_hours
        || other.deviceCount() != deviceCount())
        return false;
    for (int d = 0; d < deviceCount(); ++d) {
        const LadderDevice &a = device(d);
        const LadderDevice &b = other.device(d);
        if (!sameDevice(a, b.nodeId, b.reportIndex) || a.firstCell != b.firstCell)
            return false;
    }
    for (qsizetype cell = 0; cell < cellCount(); ++cell) {
        if (samples(cell) != other.samples(cell))
            return false;
    }
    return true;
}

std::optional<LadderResult> LadderResult::withThresholdOf(const LadderResult &other) const
{
    if (other.ladder.size() != 1 || other.range != range || other.monitored != monitored
        || other.reportIds != reportIds || other.cellCount() != cellCount())
        return std::nullopt;
    const qint16 threshold = other.ladder.threshold(0);
    if (ladder.stepOf(threshold))
        return *this;
    if (!sameCellsAs(other))
        return std::nullopt;
    LadderResult merged;
    static_cast<SweepFrame &>(merged) = *this;
    merged.ladder = ladder.with(threshold);
    merged.m_hours = m_hours;
    merged.m_devices = m_devices;
    merged.m_counts = LadderCounts(1 + merged.ladder.size());
    const int added = *merged.ladder.stepOf(threshold);
    std::vector<qint32> values(std::size_t(1 + merged.ladder.size()));
    for (qsizetype cell = 0; cell < cellCount(); ++cell) {
        values[0] = samples(cell);
        for (int step = 0, from = 0; step < merged.ladder.size(); ++step)
            values[std::size_t(1 + step)]
                = step == added ? other.count(cell, 0) : count(cell, from++);
        merged.m_counts.append(values.data());
    }
    return merged;
}

} // namespace tovik
