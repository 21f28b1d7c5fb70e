#include "sweep/IncidentSurface.h"

namespace tovik {

bool IncidentSurface::liesInPart(int incident) const
{
    return m_inPart.value(incident);
}

int IncidentSurface::incidentsInPart() const
{
    return int(m_inPart.count(true));
}

const IncidentCell &IncidentSurface::cell(int step, qint16 occurrences) const
{
    return m_cells.at(qsizetype(step) * m_occurrencesUpTo + occurrences - 1);
}

bool IncidentSurface::catches(int incident, int step, qint16 occurrences) const
{
    return !m_earliest.empty() && m_earliest[slot(incident, step, occurrences)] != kNoHour;
}

// Whole minutes, rounded down: an incident starts at any second.
std::optional<qint32> IncidentSurface::firstAlarmMinutes(
    int incident, int step, qint16 occurrences) const
{
    if (!catches(incident, step, occurrences))
        return std::nullopt;
    constexpr qint64 kSecondsPerHour = 3600;
    const qint64 seconds = qint64(m_earliest[slot(incident, step, occurrences)]) * kSecondsPerHour
        - m_startSeconds[std::size_t(incident)];
    return qint32(seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60));
}

quint32 IncidentSurface::countingHoursOfDay(int incident, int step, qint16 occurrences) const
{
    return m_hoursOfDay.empty() ? 0 : m_hoursOfDay[slot(incident, step, occurrences)];
}

} // namespace tovik
