#pragma once

#include "sweep/IncidentMatch.h"
#include "sweep/IncidentSurface.h"
#include "sweep/SweepFrame.h"

#include <vector>

namespace tovik {

class TuningSurface;

// Counts, for one part of a range, what every setting's caught device-hours do to a list of
// incidents as the node-hours stream: per incident, step and exact count n (capped at the highest
// occurrences value) only its earliest counting hour and the hours of day it was caught in, so
// that a device-hour caught at n is one for every occurrences value up to n.
class IncidentCounter
{
public:
    // range: the whole range, whose hour indices add() takes; the part is its hours from
    // firstHour, hourCount of them.
    IncidentCounter(const QList<Incident> &incidents, const SweepRange &range, int firstHour,
        int hourCount, int steps, qint16 occurrencesUpTo);

    // A caught-or-not node-hour of an examined hour of the part and the incidents it counts for
    // (see IncidentMatch); counts as SurfaceCounter::add takes them.
    void add(const LadderCell &cell, const qint32 *counts, const std::vector<int> &incidents);

    // part: the surface of the same part, whose alarms the noise is taken from.
    IncidentSurface surface(const TuningSurface &part, const IncidentMatch &match) const;

private:
    std::size_t slot(int incident, int step, int n) const;
    void addStep(IncidentSurface &surface, int step, const TuningSurface &part) const;
    qint32 minutesTo(int incident, int hour) const;

    QList<Incident> m_incidents;
    SweepRange m_range;
    int m_firstHour = 0;
    int m_hourCount = 0;
    int m_steps = 0;
    qint16 m_occurrencesUpTo = 1;
    // Per incident, step and n from 1: its earliest counting hour (kNoHour for none) and the
    // hours of day of its counting hours, bit h for h:00.
    std::vector<quint16> m_earliest;
    std::vector<quint32> m_hoursOfDay;
    // Per step and n from 1: the device-hours caught at exactly n that count for any incident.
    std::vector<qint64> m_countingHours;
};

} // namespace tovik
