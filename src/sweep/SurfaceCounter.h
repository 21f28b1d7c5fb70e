#pragma once

#include "sweep/NoiseProfile.h"
#include "sweep/SweepFrame.h"
#include "sweep/ThresholdLadder.h"

#include <QHash>
#include <QList>
#include <optional>
#include <vector>

namespace tovik {

// What one alarm setting would have sent over a sweep's range.
struct SurfaceCell
{
    // Caught device-hours: the traps the alarm would have sent.
    qint64 alarms = 0;
    // Distinct devices (a report's node) caught at least once.
    qint32 devices = 0;
    // Monitored hours with at least one caught device.
    qint32 hours = 0;
    // The most devices caught in one hour.
    qint32 peak = 0;

    friend bool operator==(const SurfaceCell &, const SurfaceCell &) = default;
};

// Counts the tuning surface from a sweep's node-hours one at a time, as they are read, keeping per
// device and per hour only a few numbers for each threshold and occurrences value: its memory
// grows with the devices and the hours, never with the node-hours. A device-hour with n samples
// at or over a threshold is caught for every occurrences value up to n, so per device its highest
// n and per hour how many devices reached each n answer every occurrences value at once.
class SurfaceCounter
{
public:
    // Whether each device's caught hours are kept per setting, for alarmsByDevice(): a few bytes
    // per device and setting, so only where the devices of a setting's alarms are asked for.
    enum class DeviceHours { Uncounted, Counted };

    // monitored: per hour of the range whether it is examined; a node-hour of another hour counts
    // nowhere. occurrencesUpTo at least 1.
    SurfaceCounter(ThresholdLadder ladder, qint16 occurrencesUpTo, QList<bool> monitored,
        DeviceHours deviceHours = DeviceHours::Uncounted);

    // counts: the node-hour's samples at any load, then those at or over each threshold of the
    // ladder, in its order.
    void add(const LadderCell &cell, const qint32 *counts);

    const ThresholdLadder &ladder() const { return m_ladder; }
    qint16 occurrencesUpTo() const { return m_occurrencesUpTo; }
    int rangeHours() const { return int(m_monitored.size()); }
    // The most samples a device had in one examined hour.
    qint32 mostSamplesInAnHour() const { return m_mostSamples; }
    // Step by step, occurrences 1..occurrencesUpTo() within each.
    QList<SurfaceCell> cells() const;
    // The devices a setting caught in one hour of the range.
    qint32 alarmsInHour(int step, qint16 occurrences, int hour) const;
    // The devices whose count at the step in one hour of the range was exactly n, or n or more
    // for n = occurrencesUpTo().
    qint32 devicesCaughtExactly(int step, int hour, qint16 n) const
    {
        return m_perHour[(std::size_t(step) * std::size_t(rangeHours()) + std::size_t(hour))
                * (std::size_t(m_occurrencesUpTo) + 1)
            + std::size_t(n)];
    }
    // With DeviceHours::Counted, every device the setting caught and its caught hours, in the
    // order the devices first came; empty otherwise.
    QList<DeviceAlarms> alarmsByDevice(int step, qint16 occurrences) const;

private:
    std::size_t deviceOf(const LadderCell &cell);
    void addStep(int step, QList<SurfaceCell> &cells) const;

    ThresholdLadder m_ladder;
    qint16 m_occurrencesUpTo = 1;
    QList<bool> m_monitored;
    qint32 m_mostSamples = 0;
    // Per step, hour and n (capped at occurrencesUpTo): the devices whose highest count in that
    // hour was exactly n.
    std::vector<qint32> m_perHour;
    // Per device, then per step: its highest n in any hour.
    std::vector<qint16> m_highest;
    // With DeviceHours::Counted, per device, step and n (from 1, capped at occurrencesUpTo): its
    // hours with exactly n; at most kMaxHours, so 16 bits hold them.
    // They lie in blocks of kDevicesPerBlock devices, so that a new device never moves the others.
    static constexpr std::size_t kDevicesPerBlock = 256;
    // The device's step's hours at exactly n = 1, 2, ... in its block.
    std::size_t deviceHoursAt(std::size_t device, std::size_t step) const
    {
        return ((device % kDevicesPerBlock) * std::size_t(m_ladder.size()) + step)
            * std::size_t(m_occurrencesUpTo);
    }
    bool m_countsDeviceHours = false;
    std::vector<std::vector<quint16>> m_deviceHourBlocks;
    std::vector<quint64> m_deviceKeys;
    QHash<quint64, std::size_t> m_deviceIndex;
    // A device's node-hours mostly come one after another, as the database returns them.
    std::optional<quint64> m_lastKey;
    std::size_t m_lastDevice = 0;
};

} // namespace tovik
