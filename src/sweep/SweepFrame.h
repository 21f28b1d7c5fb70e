#pragma once

#include "monitoring/NodeAttributes.h"
#include "monitoring/SampleStore.h"
#include "sweep/SweepRange.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <tuple>

namespace tovik {

// One report's node in one examined hour in which it has any sample.
struct LadderCell
{
    qint32 nodeId = 0;
    quint16 hourIndex = 0;
    // Into SweepFrame::reportIds.
    quint16 reportIndex = 0;
};

// The order of a sweep's cells and rows: by hour, report and node.
template<typename Cell>
bool comesBefore(const Cell &a, const Cell &b)
{
    return std::tie(a.hourIndex, a.reportIndex, a.nodeId)
        < std::tie(b.hourIndex, b.reportIndex, b.nodeId);
}

// What a sweep knows besides its counts: the hours it examined, where the samples were, the
// reports it counted and the nodes' attributes.
struct SweepFrame
{
    SweepRange range;
    // Per hour of the range: whether it lies in the monitoring time and was examined.
    QList<bool> monitored;
    SampleStore store = SampleStore::NotFound;
    // Ascending; rows and cells refer to a report by its index here.
    QList<qint32> reportIds;
    // The report_name of each of reportIds, at the same index.
    QStringList reportNames;
    // Whether each of reportIds had any sample in the range, monitored or not, at the same index.
    QList<bool> sampledReports;
    // node_name and address of every node in ATR_Nodes (the first row of a node_id).
    QHash<qint32, NodeAttributes> nodes;
    // The devices with samples in hours of the range that were not examined, by deviceKey(): a
    // device without any in the examined hours is still one whose polls went unanswered there.
    QSet<quint64> unexaminedDevices;

    // A report's node as one number.
    static quint64 deviceKey(quint16 reportIndex, qint32 nodeId)
    {
        return (quint64(reportIndex) << 32) | quint32(nodeId);
    }

    // Blank name and address for a node missing from ATR_Nodes.
    NodeAttributes node(qint32 nodeId) const { return nodes.value(nodeId); }
};

} // namespace tovik
