#pragma once

#include "sweep/Incident.h"

#include <QChartView>
#include <QList>

class QAbstractSeries;
class QDateTimeAxis;
class QValueAxis;

namespace tovik {

class SweepGrid;

// A chart of values over the hours of a sweep's range, on a time axis in the user's locale.
class HourChartView : public QChartView
{
    Q_OBJECT

public:
    explicit HourChartView(const QString &title, QWidget *parent = nullptr);

    // The chart as an SVG drawing for a name ending in .svg, else as a PNG picture at the view's
    // size; false, with the reason, when it could not be written.
    bool writeFile(const QString &path, QString *failure);

protected:
    // Replaces the chart's series; the time axis spans the grid's range, the value axis 0 to
    // valueTop(highest).
    void showSeries(const QList<QAbstractSeries *> &series, const SweepGrid &grid, qreal highest);
    // The top of the value axis for values up to highest: whole-number ticks, at most five steps
    // of the same whole size.
    static int valueTop(qreal highest);
    // A band over each incident's time, from 0 to top, to be drawn under the chart's lines.
    static QAbstractSeries *incidentBand(
        const QList<Incident> &incidents, const SweepGrid &grid, qreal top);
    // Every monitored hour of the grid with its value.
    static QList<QPointF> hourPoints(const SweepGrid &grid, const QList<int> &values);
    void resizeEvent(QResizeEvent *event) override;

private:
    bool writePng(QIODevice &device);
    bool writeSvg(QIODevice &device);
    // As many ticks as the view's width has room for labels, every one on a whole hour.
    void fitTimeTicks();

    QDateTimeAxis *m_timeAxis = nullptr;
    int m_hourCount = 0;
    QValueAxis *m_valueAxis = nullptr;
};

// The number of caught devices in each hour.
class CaughtChartView : public HourChartView
{
    Q_OBJECT

public:
    explicit CaughtChartView(QWidget *parent = nullptr);

    // With a band over each incident's time.
    void showCaught(const SweepGrid &grid, qint16 occurrences, const QList<Incident> &incidents);
};

// One device's counts per hour, with the occurrences as the line a count must reach.
class DeviceCountsChartView : public HourChartView
{
    Q_OBJECT

public:
    explicit DeviceCountsChartView(QWidget *parent = nullptr);

    void showDevice(const SweepGrid &grid, int device, qint16 occurrences);
    void clearDevice();
};

} // namespace tovik
