#pragma once

#include "sweep/SweepResult.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <limits>
#include <memory>

namespace tovik {

struct LadderResult;

// One device of a sweep, a report's node, with its counts in the hours it had any sample.
struct GridDevice
{
    // Eight bytes: a week of ten thousand devices has well over a million cells.
    struct Cell
    {
        quint16 hourIndex = 0;
        // The hour's samples, at most kMostSamples.
        quint16 samples = 0;
        qint32 count = 0;
    };
    // More samples than any occurrences value, so that keeping no more changes no mark.
    static constexpr qint32 kMostSamples = std::numeric_limits<quint16>::max();

    quint16 reportIndex = 0;
    qint32 nodeId = 0;
    // In hour order; a count of 0 where none of the hour's samples reached the threshold.
    QList<Cell> cells;
    qint32 highestCount = 0;
};

// A sweep's rows arranged by device and hour, for views that ask for one cell at a time. Built
// once per result; another occurrences value needs no rebuilding. Every device with a sample in
// the range is one, also when none of its samples reached the threshold.
class SweepGrid
{
public:
    explicit SweepGrid(std::shared_ptr<const SweepResult> result);
    // The ladder's counts at ladder.threshold(step), without the rows: a month of rows would
    // double what the grid holds, and the ladder gives them again when they are wanted.
    SweepGrid(const LadderResult &ladder, int step);

    // Without rows when built from a ladder.
    const SweepResult &result() const { return *m_result; }
    int hourCount() const { return m_result->range.hourCount(); }
    int deviceCount() const { return int(m_devices.size()); }
    // The devices with a sample at or over the threshold in some hour.
    int reachingDeviceCount() const { return m_reachingDevices; }
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
    // The hour's samples at any load, at most GridDevice::kMostSamples; 0 for an hour without
    // any.
    qint32 samples(int device, int hour) const;
    bool isCaught(int device, int hour, qint16 occurrences) const;
    // A monitored hour one sample short of catching the device.
    bool isNearMiss(int device, int hour, qint16 occurrences) const;
    // A monitored hour with too few samples for the alarm to fire.
    bool isBlind(int device, int hour, qint16 occurrences) const;
    int hoursCaught(int device, qint16 occurrences) const;
    int nearMisses(int device, qint16 occurrences) const;
    int blindHours(int device, qint16 occurrences) const;
    // The blind hours of every device.
    int blindDeviceHours(qint16 occurrences) const;
    // Every device, the most often caught first, then by highest count, report and node.
    QList<int> byHoursCaught(qint16 occurrences) const;
    // The caught devices per hour of the range.
    QList<int> caughtPerHour(qint16 occurrences) const;
    // The highest count of any cell, for shading.
    qint32 highestCount() const { return m_highestCount; }

private:
    void addCell(const SweepRow &row, QHash<quint64, int> &indexOf);
    void addUnexaminedDevices();
    void sumUp();
    // Nothing for an hour without a sample.
    const GridDevice::Cell *cell(int device, int hour) const;
    bool isMonitored(int hour) const { return m_result->monitored.value(hour); }

    std::shared_ptr<const SweepResult> m_result;
    QList<GridDevice> m_devices;
    qint32 m_highestCount = 0;
    QSet<qint32> m_nodesInSeveralReports;
    int m_reachingDevices = 0;
    int m_monitoredHours = 0;
};

} // namespace tovik
