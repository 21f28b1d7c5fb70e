#include "sweep/IncidentCounter.h"

#include "monitoring/AlarmRules.h"
#include "sweep/SurfaceCounter.h"
#include "sweep/TuningSurface.h"

#include <algorithm>

namespace tovik {

namespace {

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
    for (int h = 0; h < range.hourCount(); ++h)
        m_hourOfDayBits.push_back(1u << range.hour(h).time().hour());
    for (const Incident &incident : incidents)
        m_startSeconds.push_back(range.from().secsTo(incident.start));
}

std::size_t IncidentCounter::slot(int incident, int step, int n) const
{
    return (std::size_t(incident) * std::size_t(m_steps) + std::size_t(step))
        * std::size_t(m_occurrencesUpTo)
        + std::size_t(n - 1);
}

void IncidentCounter::add(const LadderCell &cell, const qint32 *counts,
    const std::vector<int> &ownIncidents, bool hourCountsForAnyDevice)
{
    if (ownIncidents.empty())
        return;
    const quint32 hourOfDay = m_hourOfDayBits[cell.hourIndex];
    for (int step = 0; step < m_steps; ++step) {
        const qint32 count = counts[1 + step];
        // A higher threshold has no more samples at or over it than a lower one.
        if (!AlarmRules::isCaught(cell.nodeId, count, 1))
            break;
        const int n = std::min<qint32>(count, m_occurrencesUpTo);
        if (!hourCountsForAnyDevice)
            ++m_countingHours[std::size_t(step) * std::size_t(m_occurrencesUpTo)
                + std::size_t(n - 1)];
        for (const int incident : ownIncidents) {
            const std::size_t at = slot(incident, step, n);
            m_earliest[at] = std::min(m_earliest[at], cell.hourIndex);
            m_hoursOfDay[at] |= hourOfDay;
        }
    }
}

IncidentSurface IncidentCounter::surface(
    const SurfaceCounter &counter, const TuningSurface &part, const IncidentMatch &match) const
{
    IncidentSurface surface;
    surface.m_incidentCount = int(m_incidents.size());
    surface.m_steps = m_steps;
    surface.m_occurrencesUpTo = m_occurrencesUpTo;
    surface.m_startSeconds = m_startSeconds;
    for (int i = 0; i < m_incidents.size(); ++i)
        surface.m_inPart << match.overlaps(i, m_firstHour, m_firstHour + m_hourCount - 1);
    surface.m_earliest.assign(m_earliest.size(), kNoHour);
    surface.m_hoursOfDay.assign(m_earliest.size(), 0);
    surface.m_cells.resize(qsizetype(m_steps) * m_occurrencesUpTo);
    for (int step = 0; step < m_steps; ++step)
        addStep(surface, step, counter, part, match);
    return surface;
}

// Every device caught in an hour counts for an incident of any device that the hour counts for:
// the part's counts per hour give its hours, never a node-hour.
void IncidentCounter::tallyAnyDevice(Tally &tally, int step, const IncidentMatch::Window &window,
    const SurfaceCounter &counter) const
{
    const int first = std::max(window.first, m_firstHour);
    const int last = std::min(window.last, m_firstHour + m_hourCount - 1);
    for (int hour = first; hour <= last; ++hour) {
        for (int n = 1; n <= m_occurrencesUpTo; ++n) {
            if (counter.devicesCaughtExactly(step, hour - m_firstHour, qint16(n)) == 0)
                continue;
            tally.earliest[std::size_t(n)]
                = std::min(tally.earliest[std::size_t(n)], quint16(hour));
            tally.hoursOfDay[std::size_t(n)] |= m_hourOfDayBits[std::size_t(hour)];
        }
    }
}

// A device-hour caught at n is caught at every occurrences value up to n: from the top down, an
// occurrences value's earliest hour and hours of day gather those of every n at or over it.
void IncidentCounter::addStep(IncidentSurface &surface, int step, const SurfaceCounter &counter,
    const TuningSurface &part, const IncidentMatch &match) const
{
    const int top = m_occurrencesUpTo;
    std::vector<std::vector<qint32>> minutes(std::size_t(top) + 1);
    Tally tally {
        std::vector<quint16>(std::size_t(top) + 1), std::vector<quint32>(std::size_t(top) + 1)};
    for (int i = 0; i < m_incidents.size(); ++i) {
        for (int n = 1; n <= top; ++n) {
            tally.earliest[std::size_t(n)] = m_earliest[slot(i, step, n)];
            tally.hoursOfDay[std::size_t(n)] = m_hoursOfDay[slot(i, step, n)];
        }
        if (m_incidents[i].isAnyDevice())
            tallyAnyDevice(tally, step, match.window(i), counter);
        quint16 earliest = kNoHour;
        quint32 hoursOfDay = 0;
        for (int o = top; o >= 1; --o) {
            earliest = std::min(earliest, tally.earliest[std::size_t(o)]);
            hoursOfDay |= tally.hoursOfDay[std::size_t(o)];
            const std::size_t at = slot(i, step, o);
            surface.m_earliest[at] = earliest;
            surface.m_hoursOfDay[at] = hoursOfDay;
            if (const auto caught = surface.firstAlarmMinutes(i, step, qint16(o)))
                minutes[std::size_t(o)].push_back(*caught);
        }
    }
    // The device-hours of the hours that count for an incident of any device all count.
    std::vector<qint64> countingHours(m_countingHours.cbegin() + qsizetype(step) * top,
        m_countingHours.cbegin() + qsizetype(step + 1) * top);
    for (int h = 0; h < m_hourCount; ++h) {
        if (match.anyDeviceIncidentsAt(m_firstHour + h).empty())
            continue;
        for (int n = 1; n <= top; ++n)
            countingHours[std::size_t(n - 1)] += counter.devicesCaughtExactly(step, h, qint16(n));
    }
    qint64 countingAtLeast = 0;
    for (int o = top; o >= 1; --o) {
        countingAtLeast += countingHours[std::size_t(o - 1)];
        IncidentCell &cell = surface.m_cells[qsizetype(step) * top + o - 1];
        cell.incidentsCaught = qint32(minutes[std::size_t(o)].size());
        cell.noiseAlarms = part.cell(step, qint16(o)).alarms - countingAtLeast;
        cell.firstAlarmMinutes = median(std::move(minutes[std::size_t(o)]));
    }
}

} // namespace tovik
