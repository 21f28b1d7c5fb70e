#pragma once

#include "sweep/SurfaceCounter.h"
#include "sweep/ThresholdLadder.h"

#include <QList>
#include <optional>

namespace tovik {

struct LadderResult;

// Every threshold of a ladder against every occurrences value from 1 up to a limit, counted
// from a sweep's node-hours as they were read or from a ladder result in memory.
class TuningSurface
{
public:
    static constexpr qint16 kDefaultOccurrencesUpTo = 12;

    TuningSurface() = default;
    explicit TuningSurface(const SurfaceCounter &counter);
    // occurrencesUpTo at least 1.
    TuningSurface(const LadderResult &result, qint16 occurrencesUpTo);

    const ThresholdLadder &ladder() const { return m_ladder; }
    qint16 occurrencesUpTo() const { return m_occurrencesUpTo; }
    int rangeHours() const { return m_rangeHours; }
    bool isEmpty() const { return m_cells.isEmpty(); }

    // occurrences from 1 to occurrencesUpTo().
    const SurfaceCell &cell(int step, qint16 occurrences) const;
    // Alarms over the range's days: alarms / (hours of the range / 24).
    double alarmsPerDay(int step, qint16 occurrences) const;
    // Whether a setting that can fire stays within budget alarms a day.
    bool isWithinBudget(int step, qint16 occurrences, double budget) const
    {
        return !neverFires(step, occurrences) && alarmsPerDay(step, occurrences) <= budget;
    }
    // The lowest threshold step whose alarms per day stay within budget, of the settings that can
    // fire; nothing when none does.
    std::optional<int> recommendedStep(qint16 occurrences, double budget) const;

    // The most samples a device had in one monitored hour of the range.
    qint32 mostSamplesInAnHour() const { return m_mostSamples; }
    // The lowest threshold step that no device's sample in a monitored hour reached; nothing when
    // every step was reached.
    std::optional<int> firstUnreachedStep() const;
    // A setting that cannot fire on this data whatever the load: more occurrences than any
    // device-hour held samples, or a threshold over every load. Its zero alarms say nothing of how
    // quiet it would be.
    bool neverFires(int step, qint16 occurrences) const;
    bool hasNeverFiringCell() const;
    // Why the settings that never fire do not: "at most 12 samples in an hour, no load at or over
    // 95 %", the load's part only when a threshold was not reached.
    QString neverFiresReason() const;

private:
    ThresholdLadder m_ladder;
    qint16 m_occurrencesUpTo = 0;
    int m_rangeHours = 0;
    qint32 m_mostSamples = 0;
    // Step by step, occurrences 1..occurrencesUpTo within each.
    QList<SurfaceCell> m_cells;
};

} // namespace tovik
