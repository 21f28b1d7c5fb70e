#include "sweep/SurfaceCounter.h"

#include "monitoring/AlarmRules.h"

#include <algorithm>

namespace tovik {

namespace {

// Turns counts of "exactly c" (c capped at the last index) into counts of "at least c".
void accumulateFromTop(QList<qint32> &counts)
{
    for (qsizetype c = counts.size() - 2; c >= 0; --c)
        counts[c] += counts[c + 1];
}

} // namespace

SurfaceCounter::SurfaceCounter(
    ThresholdLadder ladder, qint16 occurrencesUpTo, QList<bool> monitored, DeviceHours deviceHours)
    : m_ladder(std::move(ladder))
    , m_occurrencesUpTo(std::max<qint16>(occurrencesUpTo, 1))
    , m_monitored(std::move(monitored))
    , m_perHour(std::size_t(m_ladder.size()) * std::size_t(m_monitored.size())
              * (std::size_t(m_occurrencesUpTo) + 1),
          0)
    , m_countsDeviceHours(deviceHours == DeviceHours::Counted)
{
}

std::size_t SurfaceCounter::deviceOf(const LadderCell &cell)
{
    const quint64 key = SweepFrame::deviceKey(cell.reportIndex, cell.nodeId);
    if (key == m_lastKey)
        return m_lastDevice;
    auto found = m_deviceIndex.constFind(key);
    if (found == m_deviceIndex.cend()) {
        found = m_deviceIndex.insert(key, std::size_t(m_deviceIndex.size()));
        m_highest.resize(m_highest.size() + std::size_t(m_ladder.size()), 0);
        if (m_countsDeviceHours) {
            if (m_deviceKeys.size() % kDevicesPerBlock == 0)
                m_deviceHourBlocks.emplace_back(
                    kDevicesPerBlock * std::size_t(m_ladder.size()) * m_occurrencesUpTo, 0);
            m_deviceKeys.push_back(key);
        }
    }
    m_lastKey = key;
    m_lastDevice = *found;
    return m_lastDevice;
}

void SurfaceCounter::add(const LadderCell &cell, const qint32 *counts)
{
    if (!AlarmRules::isDevice(cell.nodeId) || !m_monitored.value(cell.hourIndex))
        return;
    m_mostSamples = std::max(m_mostSamples, counts[0]);
    const std::size_t steps = std::size_t(m_ladder.size());
    const std::size_t width = std::size_t(m_occurrencesUpTo) + 1;
    const std::size_t hours = std::size_t(m_monitored.size());
    // deviceOf() grows the table for a new device, so the row is found after it.
    const std::size_t device = deviceOf(cell);
    qint16 *highest = m_highest.data() + device * steps;
    for (std::size_t step = 0; step < steps; ++step) {
        const qint32 count = counts[1 + step];
        // Caught at no occurrences value, the node-hour adds nothing at this threshold, nor at
        // any higher one, which no more samples reach.
        if (!AlarmRules::isCaught(cell.nodeId, count, 1))
            break;
        const auto n = qint16(std::min<qint32>(count, m_occurrencesUpTo));
        ++m_perHour[(step * hours + cell.hourIndex) * width + std::size_t(n)];
        highest[step] = std::max(highest[step], n);
        if (m_countsDeviceHours)
            ++m_deviceHourBlocks[device / kDevicesPerBlock]
                                [deviceHoursAt(device, step) + std::size_t(n - 1)];
    }
}

qint32 SurfaceCounter::alarmsInHour(int step, qint16 occurrences, int hour) const
{
    qint32 caught = 0;
    for (qint16 n = occurrences; n <= m_occurrencesUpTo; ++n)
        caught += devicesCaughtExactly(step, hour, n);
    return caught;
}

QList<DeviceAlarms> SurfaceCounter::alarmsByDevice(int step, qint16 occurrences) const
{
    QList<DeviceAlarms> devices;
    const std::size_t top = std::size_t(m_occurrencesUpTo);
    for (std::size_t d = 0; d < m_deviceKeys.size(); ++d) {
        const quint16 *ofDevice
            = m_deviceHourBlocks[d / kDevicesPerBlock].data() + deviceHoursAt(d, std::size_t(step));
        qint64 alarms = 0;
        for (std::size_t n = std::size_t(occurrences); n <= top; ++n)
            alarms += ofDevice[n - 1];
        const quint64 key = m_deviceKeys[d];
        if (alarms > 0)
            devices << DeviceAlarms {quint16(key >> 32), qint32(quint32(key)), alarms};
    }
    return devices;
}

QList<SurfaceCell> SurfaceCounter::cells() const
{
    QList<SurfaceCell> cells(qsizetype(m_ladder.size()) * m_occurrencesUpTo);
    for (int step = 0; step < m_ladder.size(); ++step)
        addStep(step, cells);
    return cells;
}

// A step's cells from its tallies.
void SurfaceCounter::addStep(int step, QList<SurfaceCell> &cells) const
{
    const int top = m_occurrencesUpTo;
    const std::size_t steps = std::size_t(m_ladder.size());
    SurfaceCell *ofStep = cells.data() + qsizetype(step) * top;
    QList<qint32> devicesAtLeast(top + 1, 0);
    for (std::size_t d = 0; d < std::size_t(m_deviceIndex.size()); ++d)
        ++devicesAtLeast[m_highest[d * steps + std::size_t(step)]];
    accumulateFromTop(devicesAtLeast);
    for (int o = 1; o <= top; ++o)
        ofStep[o - 1].devices = devicesAtLeast[o];
    const qint32 *perHour
        = m_perHour.data() + std::size_t(step) * std::size_t(rangeHours()) * std::size_t(top + 1);
    for (int h = 0; h < rangeHours(); ++h) {
        const qint32 *ofHour = perHour + qsizetype(h) * (top + 1);
        QList<qint32> caught(ofHour, ofHour + top + 1);
        accumulateFromTop(caught);
        for (int o = 1; o <= top; ++o) {
            SurfaceCell &cell = ofStep[o - 1];
            cell.alarms += caught[o];
            cell.hours += caught[o] > 0 ? 1 : 0;
            cell.peak = std::max(cell.peak, caught[o]);
        }
    }
}

} // namespace tovik
