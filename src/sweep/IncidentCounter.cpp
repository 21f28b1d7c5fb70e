#include "sweep/IncidentCounter.h"

#include "monitoring/AlarmRules.h"
#include "sweep/TuningSurface.h"

#include <algorithm>
#include <limits>

namespace tovik {

namespace {

constexpr quint16 kNoHour = std::numeric_limits<quint16>::max();

// The middle of the values, the mean of the two middle ones for an even count.
std::optional<double> median(std::vector<qint32> values)
{
    if (values.empty())
        return std::nullopt;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + qsizetype(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + qsizetype(middle));
    return (lower + upper) / 2;
}

} // namespace

IncidentCounter::IncidentCounter(const QList<Incident> &incidents, const SweepRange &range,
    int firstHour, int hourCount, int steps, qint16 occurrencesUpTo)
    : m_incidents(incidents)
    , m_range(range)
    , m_firstHour(firstHour)
    , m_hourCount(hourCount)
    , m_steps(steps)
    , m_occurrencesUpTo(std::max<qint16>(occurrencesUpTo, 1))
    , m_earliest(
          std::size_t(incidents.size()) * std::size_t(steps) * std::size_t(m_occurrencesUpTo),
          kNoHour)
    , m_hoursOfDay(m_earliest.size(), 0)
    , m_countingHours(std::size_t(steps) * std::size_t(m_occurrencesUpTo), 0)
{
}

std::size_t IncidentCounter::slot(int incident, int step, int n) const
{
    return (std::size_t(incident) * std::size_t(m_steps) + std::size_t(step))
        * std::size_t(m_occurrencesUpTo)
        + std::size_t(n - 1);
}

void IncidentCounter::add(
    const LadderCell &cell, const qint32 *counts, const std::vector<int> &incidents)
{
    if (incidents.empty())
        return;
    const quint32 hourOfDay = 1u << m_range.hour(cell.hourIndex).time().hour();
    for (int step = 0; step < m_steps; ++step) {
        const qint32 count = counts[1 + step];
        // A higher threshold has no more samples at or over it than a lower one.
        if (!AlarmRules::isCaught(cell.nodeId, count, 1))
            break;
        const int n = std::min<qint32>(count, m_occurrencesUpTo);
        ++m_countingHours[std::size_t(step) * std::size_t(m_occurrencesUpTo) + std::size_t(n - 1)];
        for (const int incident : incidents) {
            const std::size_t at = slot(incident, step, n);
            m_earliest[at] = std::min(m_earliest[at], cell.hourIndex);
            m_hoursOfDay[at] |= hourOfDay;
        }
    }
}

// Whole minutes, rounded down, from the incident's start to the start of the hour.
qint32 IncidentCounter::minutesTo(int incident, int hour) const
{
    const qint64 seconds = m_incidents[incident].start.secsTo(m_range.hour(hour));
    return qint32(seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60));
}

IncidentSurface IncidentCounter::surface(
    const TuningSurface &part, const IncidentMatch &match) const
{
    IncidentSurface surface;
    surface.m_incidentCount = int(m_incidents.size());
    surface.m_steps = m_steps;
    surface.m_occurrencesUpTo = m_occurrencesUpTo;
    for (int i = 0; i < m_incidents.size(); ++i)
        surface.m_inPart << match.overlaps(i, m_firstHour, m_firstHour + m_hourCount - 1);
    surface.m_firstMinutes.assign(m_earliest.size(), IncidentSurface::kNotCaught);
    surface.m_hoursOfDay.assign(m_earliest.size(), 0);
    surface.m_cells.resize(qsizetype(m_steps) * m_occurrencesUpTo);
    for (int step = 0; step < m_steps; ++step)
        addStep(surface, step, part);
    return surface;
}

// A device-hour caught at n is caught at every occurrences value up to n: from the top down, an
// occurrences value's earliest hour and hours of day gather those of every n at or over it.
void IncidentCounter::addStep(IncidentSurface &surface, int step, const TuningSurface &part) const
{
    const int top = m_occurrencesUpTo;
    std::vector<std::vector<qint32>> minutes(std::size_t(top) + 1);
    for (int i = 0; i < m_incidents.size(); ++i) {
        quint16 earliest = kNoHour;
        quint32 hoursOfDay = 0;
        for (int o = top; o >= 1; --o) {
            const std::size_t at = slot(i, step, o);
            earliest = std::min(earliest, m_earliest[at]);
            hoursOfDay |= m_hoursOfDay[at];
            surface.m_hoursOfDay[at] = hoursOfDay;
            if (earliest == kNoHour)
                continue;
            surface.m_firstMinutes[at] = minutesTo(i, earliest);
            minutes[std::size_t(o)].push_back(surface.m_firstMinutes[at]);
        }
    }
    qint64 countingHours = 0;
    for (int o = top; o >= 1; --o) {
        countingHours += m_countingHours[std::size_t(step) * std::size_t(top) + std::size_t(o - 1)];
        IncidentCell &cell = surface.m_cells[qsizetype(step) * top + o - 1];
        cell.incidentsCaught = qint32(minutes[std::size_t(o)].size());
        cell.noiseAlarms = part.cell(step, qint16(o)).alarms - countingHours;
        cell.firstAlarmMinutes = median(std::move(minutes[std::size_t(o)]));
    }
}

} // namespace tovik
