#pragma once

#include "sweep/IncidentMatch.h"
#include "sweep/IncidentSurface.h"
#include "sweep/SweepFrame.h"

#include <vector>

namespace tovik {

class SurfaceCounter;
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

    // A node-hour of a device in an examined hour of the part and the device's own incidents it
    // counts for; counts as SurfaceCounter::add takes them. hourCountsForAnyDevice: the hour
    // counts for an incident of any device, whose device-hours surface() takes from the counts
    // per hour.
    void add(const LadderCell &cell, const qint32 *counts, const std::vector<int> &ownIncidents,
        bool hourCountsForAnyDevice);

    // counter and part: the same part's, whose devices caught per hour give the incidents of any
    // device and whose alarms give the noise.
    IncidentSurface surface(
        const SurfaceCounter &counter, const TuningSurface &part, const IncidentMatch &match) const;

private:
    static constexpr quint16 kNoHour = IncidentSurface::kNoHour;

    // The tallies of one incident at one step, per n from 1.
    struct Tally
    {
        std::vector<quint16> earliest;
        std::vector<quint32> hoursOfDay;
    };

    std::size_t slot(int incident, int step, int n) const;
    void addStep(IncidentSurface &surface, int step, const SurfaceCounter &counter,
        const TuningSurface &part, const IncidentMatch &match) const;
    void tallyAnyDevice(Tally &tally, int step, const IncidentMatch::Window &window,
        const SurfaceCounter &counter) const;

    QList<Incident> m_incidents;
    // Per incident, its start in seconds from the range's first hour.
    std::vector<qint64> m_startSeconds;
    // Per hour of the range, its hour of day as a bit, asked for at every counting node-hour.
    std::vector<quint32> m_hourOfDayBits;
    int m_firstHour = 0;
    int m_hourCount = 0;
    int m_steps = 0;
    qint16 m_occurrencesUpTo = 1;
    // Per incident of a device's own, step and n from 1: its earliest counting hour (kNoHour for
    // none) and the hours of day of its counting hours, bit h for h:00.
    std::vector<quint16> m_earliest;
    std::vector<quint32> m_hoursOfDay;
    // Per step and n from 1: the device-hours caught at exactly n that count for an incident of
    // their own and for none of any device.
    std::vector<qint64> m_countingHours;
};

} // namespace tovik
