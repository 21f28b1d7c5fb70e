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
    return firstAlarmMinutes(incident, step, occurrences).has_value();
}

std::optional<qint32> IncidentSurface::firstAlarmMinutes(
    int incident, int step, qint16 occurrences) const
{
    if (m_firstMinutes.empty())
        return std::nullopt;
    const qint32 minutes
        = m_firstMinutes[(std::size_t(incident) * std::size_t(m_steps) + std::size_t(step))
                * std::size_t(m_occurrencesUpTo)
            + std::size_t(occurrences - 1)];
    return minutes == kNotCaught ? std::nullopt : std::optional<qint32>(minutes);
}

quint32 IncidentSurface::countingHoursOfDay(int incident, int step, qint16 occurrences) const
{
    if (m_hoursOfDay.empty())
        return 0;
    return m_hoursOfDay[(std::size_t(incident) * std::size_t(m_steps) + std::size_t(step))
            * std::size_t(m_occurrencesUpTo)
        + std::size_t(occurrences - 1)];
}

} // namespace tovik
