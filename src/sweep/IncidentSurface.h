#pragma once

#include <QList>
#include <QtGlobal>
#include <limits>
#include <optional>
#include <vector>

namespace tovik {

// What one setting does to a list of incidents over one part of a range.
struct IncidentCell
{
    // Incidents with at least one caught device-hour that counts for them.
    qint32 incidentsCaught = 0;
    // Caught device-hours that count for no incident.
    qint64 noiseAlarms = 0;
    // Over the caught incidents, the median of the minutes from an incident's start to its first
    // counting hour, negative when the alarm came first; nothing when none is caught.
    std::optional<double> firstAlarmMinutes;

    friend bool operator==(const IncidentCell &, const IncidentCell &) = default;
};

// Per setting of a tuning surface (steps x occurrences 1..occurrencesUpTo), the incidents that one
// part of the range catches: counted as the node-hours stream, kept as a few numbers per
// incident and setting.
class IncidentSurface
{
public:
    IncidentSurface() = default;

    // Every incident of the list, caught in this part or not.
    int incidentCount() const { return m_incidentCount; }
    // Whether some hour of the part could count for the incident (its device matches aside).
    bool liesInPart(int incident) const;
    int incidentsInPart() const;

    const IncidentCell &cell(int step, qint16 occurrences) const;
    bool catches(int incident, int step, qint16 occurrences) const;
    // Whole minutes from the incident's start to the start of its first counting hour at that
    // setting; nothing when it is not caught.
    std::optional<qint32> firstAlarmMinutes(int incident, int step, qint16 occurrences) const;
    // The hours of day (bit h for h:00) of the hours that count for the incident at that setting.
    quint32 countingHoursOfDay(int incident, int step, qint16 occurrences) const;

private:
    friend class IncidentCounter;

    static constexpr quint16 kNoHour = std::numeric_limits<quint16>::max();

    std::size_t slot(int incident, int step, qint16 occurrences) const
    {
        return (std::size_t(incident) * std::size_t(m_steps) + std::size_t(step))
            * std::size_t(m_occurrencesUpTo)
            + std::size_t(occurrences - 1);
    }

    int m_incidentCount = 0;
    int m_steps = 0;
    qint16 m_occurrencesUpTo = 1;
    QList<bool> m_inPart;
    // Per incident, its start in seconds from the range's first hour.
    std::vector<qint64> m_startSeconds;
    // Per incident, step and occurrences value: its first counting hour of the range (kNoHour
    // when none) and its counting hours of day.
    std::vector<quint16> m_earliest;
    std::vector<quint32> m_hoursOfDay;
    // Per step and occurrences value.
    QList<IncidentCell> m_cells;
};

} // namespace tovik
