#pragma once

#include "sweep/SweepResult.h"

#include <QList>
#include <QSet>
#include <memory>

namespace tovik {

// One device of a sweep, a report's node, with its counts in the hours it had any.
struct GridDevice
{
    struct Cell
    {
        quint16 hourIndex = 0;
        qint32 count = 0;
    };

    quint16 reportIndex = 0;
    qint32 nodeId = 0;
    // In hour order.
    QList<Cell> cells;
    qint32 highestCount = 0;
};

// A sweep's rows arranged by device and hour, for views that ask for one cell at a time. Built
// once per result; another occurrences value needs no rebuilding.
class SweepGrid
{
public:
    explicit SweepGrid(std::shared_ptr<const SweepResult> result);

    const SweepResult &result() const { return *m_result; }
    int hourCount() const { return m_result->range.hourCount(); }
    int deviceCount() const { return int(m_devices.size()); }
    const GridDevice &device(int index) const { return m_devices.at(index); }
    // node_name, or "node <node_id>" for a node without one.
    QString nodeName(int index) const;
    // The node's name with its report's name beside it, for texts that show one device alone.
    QString nodeInReport(int index) const;
    // The node's name, and beside it its report's name when the node is a device of several
    // reports, so that their rows tell apart.
    QString deviceName(int index) const;
    qint32 reportId(int index) const;
    // report_name, or "report <report_id>" for a report without one.
    QString reportName(int index) const;

    // 0 for an hour without a sample at or over the threshold.
    qint32 count(int device, int hour) const;
    bool isCaught(int device, int hour, qint16 occurrences) const;
    int hoursCaught(int device, qint16 occurrences) const;
    // Every device, the most often caught first, then by highest count, report and node.
    QList<int> byHoursCaught(qint16 occurrences) const;
    // The highest count of any cell, for shading.
    qint32 highestCount() const { return m_highestCount; }

private:
    std::shared_ptr<const SweepResult> m_result;
    QList<GridDevice> m_devices;
    qint32 m_highestCount = 0;
    QSet<qint32> m_nodesInSeveralReports;
};

} // namespace tovik
