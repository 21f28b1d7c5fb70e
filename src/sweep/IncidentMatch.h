#pragma once

#include "sweep/Incident.h"
#include "sweep/SweepFrame.h"

#include <QHash>
#include <QList>
#include <optional>
#include <vector>

namespace tovik {

// Which device-hours of a sweep count for which incidents: every incident's hours, those its
// window [start - lead, end) overlaps, found once from the range, and its devices resolved once
// against the sweep's nodes, so that a node-hour costs a hash look-up and a short list.
class IncidentMatch
{
public:
    IncidentMatch(const QList<Incident> &incidents, const SweepRange &range, int leadHours);

    // The incidents' devices among the frame's reports and nodes: a name (in any case) or an
    // address matches every node that has it, in every report; "report_id:node_id" the one node
    // of a counted report; an empty device every device.
    void resolve(const SweepFrame &frame);

    int incidentCount() const { return int(m_windows.size()); }
    bool namesDevice(int incident) const { return m_namesDevice.value(incident); }
    // Whether some hour from first to last (hours of the range) counts for the incident.
    bool overlaps(int incident, int first, int last) const;
    // Every incident a device-hour of the range counts for, into found.
    void incidentsOf(const LadderCell &cell, std::vector<int> &found);
    // The incidents of the device's own that a device-hour of the range counts for, into found.
    void ownIncidentsOf(const LadderCell &cell, std::vector<int> &found);
    // The incidents of any device that an hour of the range counts for: every device-hour of it
    // counts for them, so they are answered from the counts per hour, not per node-hour.
    const std::vector<int> &anyDeviceIncidentsAt(int hour) const
    {
        return m_anyDeviceByHour[std::size_t(hour)];
    }
    // "2 incidents name no device: line 4 "core-9", line 7 "10.0.0.9""; nothing when every
    // incident names one or before resolve().
    std::optional<QString> unmatchedText() const;

    // The hours of the range that count for an incident: first to last, none when last < first.
    struct Window
    {
        int first = 0;
        int last = -1;
    };
    const Window &window(int incident) const { return m_windows[std::size_t(incident)]; }

private:
    // A frame's nodes by name (case-folded) and by address.
    struct NodeIndex
    {
        QHash<QString, QList<qint32>> byName;
        QHash<QString, QList<qint32>> byAddress;
    };

    static QList<quint64> devicesOf(
        const QString &device, const SweepFrame &frame, const NodeIndex &nodes);

    QList<Incident> m_incidents;
    std::vector<Window> m_windows;
    bool m_resolved = false;
    QList<bool> m_namesDevice;
    // A device's own incidents: by SweepFrame::deviceKey, its list's index here.
    QHash<quint64, int> m_byDevice;
    std::vector<std::vector<int>> m_deviceIncidents;
    // Per hour of the range, the incidents of any device that it counts for.
    std::vector<std::vector<int>> m_anyDeviceByHour;
    // A device's node-hours mostly come one after another.
    std::optional<quint64> m_lastKey;
    int m_lastDevice = -1;
};

} // namespace tovik
