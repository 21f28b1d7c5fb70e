#pragma once

#include "sweep/DeviceLoad.h"
#include "sweep/Incident.h"

#include <QChartView>
#include <memory>

class QAreaSeries;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace tovik {

class SweepGrid;

// One device's samples over a sweep's range, with the threshold as a line, the hours outside the
// monitoring time shaded, the hours in which the alarm fired marked and the device's incidents
// banded. The time axis zooms by a
// band dragged across it, by the wheel and by the + and - keys; a double click or Home shows the
// whole range again. Within a day or less every sample shows as a point.
class DeviceLoadChartView : public QChartView
{
    Q_OBJECT

public:
    // A span of the time axis at or below which the samples show as points.
    static constexpr qint64 kPointsSpanMs = 24 * 3600 * 1000;

    explicit DeviceLoadChartView(QWidget *parent = nullptr);

    // The load under a title of name, over its whole range, with the marks of redraw().
    void showLoad(std::shared_ptr<const DeviceLoad> load, const QString &name,
        const SweepGrid &grid, qint16 threshold, qint16 occurrences);
    // The threshold line and the hours marked anew for the load on screen, from grid, which holds
    // the same range; its device, if it has it, gives the caught hours.
    void redraw(const SweepGrid &grid, qint16 threshold, qint16 occurrences);
    // The incidents of the device whose load is shown or to come: its own and those of any device.
    void setIncidents(QList<Incident> incidents);
    // No load, under the title of the device named, if any, whose load is to come.
    void clearLoad(const QString &name = {});
    const DeviceLoad *load() const { return m_load.get(); }
    void showWholeRange();

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineSeries *lineSeries(const char *name);
    QAreaSeries *bandSeries(const char *name, const QColor &colour);
    void addSeries(QAbstractSeries *series);
    void markHours(QAreaSeries *band, const QList<int> &hours);
    // The time axis scaled by factor around the time at x (of the chart's scene), within the
    // range.
    void zoomTime(qreal factor, qreal x);
    void panTime(qreal fraction);
    void showTimeSpan(qreal from, qreal to);
    void keepLoadAxis();
    void showPointsForSpan();
    void setTitleFor(const QString &name);

    std::shared_ptr<const DeviceLoad> m_load;
    QDateTimeAxis *m_timeAxis = nullptr;
    QValueAxis *m_loadAxis = nullptr;
    QAreaSeries *m_unmonitored = nullptr;
    QAreaSeries *m_caught = nullptr;
    QAreaSeries *m_incidentBand = nullptr;
    QList<Incident> m_incidents;
    QLineSeries *m_threshold = nullptr;
    QLineSeries *m_samples = nullptr;
    qreal m_rangeFrom = 0;
    qreal m_rangeTo = 0;
    qreal m_highest = 100;
};

} // namespace tovik
