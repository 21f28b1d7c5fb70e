#include "explorer/DeviceLoadChartView.h"

#include "explorer/ExplorerText.h"
#include "explorer/HeatmapView.h"
#include "explorer/IncidentSpans.h"
#include "sweep/SweepGrid.h"

#include <QAreaSeries>
#include <QDateTimeAxis>
#include <QKeyEvent>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace tovik {

namespace {

using ExplorerText::chartTime;

// The narrowest span the wheel and the keys zoom into: a few samples of a five-minute poll.
constexpr qreal kNarrowestSpanMs = 15 * 60 * 1000;
// The wheel's angle of one notch.
constexpr qreal kNotch = 120.0;
const QColor kUnmonitoredColour(128, 128, 128, 60);
const QColor kCaughtColour(220, 40, 40, 70);

// The device of grid that is report reportId's node nodeId; -1 when grid lacks it.
int deviceOf(const SweepGrid &grid, qint32 reportId, qint32 nodeId)
{
    const qsizetype reportIndex = grid.result().reportIds.indexOf(reportId);
    for (int i = 0; reportIndex >= 0 && i < grid.deviceCount(); ++i) {
        if (grid.device(i).reportIndex == reportIndex && grid.device(i).nodeId == nodeId)
            return i;
    }
    return -1;
}

QList<int> unmonitoredHours(const SweepGrid &grid)
{
    QList<int> hours;
    for (int h = 0; h < grid.hourCount(); ++h) {
        if (!grid.result().monitored.value(h))
            hours << h;
    }
    return hours;
}

QList<int> caughtHours(const SweepGrid &grid, int device, qint16 occurrences)
{
    QList<int> hours;
    if (device < 0)
        return hours;
    for (const GridDevice::Cell &cell : grid.device(device).cells) {
        if (grid.isCaught(device, cell.hourIndex, occurrences))
            hours << cell.hourIndex;
    }
    return hours;
}

// The top of the load axis: 100 %, or the next ten above a higher load.
qreal loadAxisTop(const DeviceLoad &load)
{
    double highest = 100.0;
    for (const LoadSample &sample : load.samples)
        highest = std::max(highest, sample.load);
    return std::ceil(highest / 10.0) * 10.0;
}

} // namespace

DeviceLoadChartView::DeviceLoadChartView(QWidget *parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("deviceLoadChart"));
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::HorizontalRubberBand);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(tr("Drag across the time axis or turn the wheel to zoom; double-click or press "
                  "Home for the whole range."));
    chart()->legend()->setAlignment(Qt::AlignBottom);
    m_timeAxis = new QDateTimeAxis;
    m_timeAxis->setFormat(ExplorerText::axisFormat());
    m_loadAxis = new QValueAxis;
    m_loadAxis->setLabelFormat(QStringLiteral("%d %%"));
    m_loadAxis->setRange(0, m_highest);
    m_loadAxis->setTickCount(6);
    chart()->addAxis(m_timeAxis, Qt::AlignBottom);
    chart()->addAxis(m_loadAxis, Qt::AlignLeft);
    // The bands first, so that the lines are drawn over them.
    m_unmonitored = bandSeries("unmonitored", kUnmonitoredColour);
    m_unmonitored->setName(tr("Not monitored"));
    m_caught = bandSeries("caught", kCaughtColour);
    m_caught->setName(tr("Caught hours"));
    m_incidentBand = bandSeries("incidents", HeatmapDelegate::kIncidentBand);
    m_incidentBand->setName(tr("Incidents"));
    setIncidents({});
    m_threshold = lineSeries("threshold");
    m_threshold->setPen(QPen(QColor(40, 40, 40), 1.5, Qt::DashLine));
    m_samples = lineSeries("samples");
    m_samples->setName(tr("CPU load"));
    connect(m_timeAxis, &QDateTimeAxis::rangeChanged, this, [this] { showPointsForSpan(); });
    connect(m_loadAxis, &QValueAxis::rangeChanged, this, [this] { keepLoadAxis(); });
    clearLoad();
}

QLineSeries *DeviceLoadChartView::lineSeries(const char *name)
{
    auto *series = new QLineSeries;
    series->setObjectName(QLatin1String(name));
    addSeries(series);
    return series;
}

QAreaSeries *DeviceLoadChartView::bandSeries(const char *name, const QColor &colour)
{
    auto *outline = new QLineSeries(this);
    auto *band = new QAreaSeries(outline);
    band->setObjectName(QLatin1String(name));
    band->setColor(colour);
    band->setPen(Qt::NoPen);
    addSeries(band);
    return band;
}

void DeviceLoadChartView::addSeries(QAbstractSeries *series)
{
    chart()->addSeries(series);
    series->attachAxis(m_timeAxis);
    series->attachAxis(m_loadAxis);
}

void DeviceLoadChartView::showLoad(std::shared_ptr<const DeviceLoad> load, const QString &name,
    const SweepGrid &grid, qint16 threshold, qint16 occurrences)
{
    m_load = std::move(load);
    setTitleFor(name);
    QList<QPointF> points;
    points.reserve(m_load->samples.size());
    for (const LoadSample &sample : m_load->samples)
        points.append({chartTime(sample.time), sample.load});
    m_samples->replace(points);
    m_highest = loadAxisTop(*m_load);
    m_rangeFrom = chartTime(m_load->range.from());
    m_rangeTo = chartTime(m_load->range.to());
    keepLoadAxis();
    redraw(grid, threshold, occurrences);
    showWholeRange();
}

void DeviceLoadChartView::redraw(const SweepGrid &grid, qint16 threshold, qint16 occurrences)
{
    if (!m_load)
        return;
    m_threshold->setName(tr("Threshold (%1 %)").arg(ExplorerText::number(threshold)));
    m_threshold->replace({{m_rangeFrom, qreal(threshold)}, {m_rangeTo, qreal(threshold)}});
    markHours(m_unmonitored, unmonitoredHours(grid));
    const int device = deviceOf(grid, m_load->reportId, m_load->nodeId);
    markHours(m_caught, caughtHours(grid, device, occurrences));
    m_incidentBand->upperSeries()->replace(
        IncidentSpans::bandOutline(m_incidents, m_load->range, m_highest));
}

void DeviceLoadChartView::setIncidents(QList<Incident> incidents)
{
    m_incidents = std::move(incidents);
    // The legend keys the band only where there is one, so that it keeps its room for the rest.
    for (QLegendMarker *marker : chart()->legend()->markers(m_incidentBand))
        marker->setVisible(!m_incidents.isEmpty());
    if (m_load)
        m_incidentBand->upperSeries()->replace(
            IncidentSpans::bandOutline(m_incidents, m_load->range, m_highest));
}

// A band over each run of consecutive hours, the full height of the load axis.
void DeviceLoadChartView::markHours(QAreaSeries *band, const QList<int> &hours)
{
    const SweepRange &range = m_load->range;
    QList<QPointF> outline;
    for (qsizetype i = 0; i < hours.size();) {
        qsizetype last = i;
        while (last + 1 < hours.size() && hours.at(last + 1) == hours.at(last) + 1)
            ++last;
        const qreal from = chartTime(range.hour(hours.at(i)));
        const qreal to = chartTime(range.hour(hours.at(last) + 1));
        outline << QPointF(from, 0) << QPointF(from, m_highest) << QPointF(to, m_highest)
                << QPointF(to, 0);
        i = last + 1;
    }
    band->upperSeries()->replace(outline);
}

void DeviceLoadChartView::setTitleFor(const QString &name)
{
    chart()->setTitle(
        name.isEmpty() ? tr("CPU load of the selected device") : tr("CPU load of %1").arg(name));
}

void DeviceLoadChartView::clearLoad(const QString &name)
{
    m_load.reset();
    setTitleFor(name);
    m_samples->clear();
    m_threshold->clear();
    m_unmonitored->upperSeries()->clear();
    m_caught->upperSeries()->clear();
    m_incidentBand->upperSeries()->clear();
}

void DeviceLoadChartView::showWholeRange()
{
    if (m_load)
        showTimeSpan(m_rangeFrom, m_rangeTo);
}

void DeviceLoadChartView::showTimeSpan(qreal from, qreal to)
{
    m_timeAxis->setRange(
        QDateTime::fromMSecsSinceEpoch(qint64(from)), QDateTime::fromMSecsSinceEpoch(qint64(to)));
}

void DeviceLoadChartView::zoomTime(qreal factor, qreal x)
{
    if (!m_load)
        return;
    const qreal from = qreal(m_timeAxis->min().toMSecsSinceEpoch());
    const qreal to = qreal(m_timeAxis->max().toMSecsSinceEpoch());
    const QRectF plot = chart()->plotArea();
    const qreal at = from + (to - from) * std::clamp((x - plot.left()) / plot.width(), 0.0, 1.0);
    const qreal span = std::clamp((to - from) * factor, kNarrowestSpanMs, m_rangeTo - m_rangeFrom);
    const qreal newFrom
        = std::clamp(at - (at - from) * span / (to - from), m_rangeFrom, m_rangeTo - span);
    showTimeSpan(newFrom, newFrom + span);
}

void DeviceLoadChartView::panTime(qreal fraction)
{
    if (!m_load)
        return;
    const qreal from = qreal(m_timeAxis->min().toMSecsSinceEpoch());
    const qreal span = qreal(m_timeAxis->max().toMSecsSinceEpoch()) - from;
    const qreal newFrom = std::clamp(from + span * fraction, m_rangeFrom, m_rangeTo - span);
    showTimeSpan(newFrom, newFrom + span);
}

void DeviceLoadChartView::wheelEvent(QWheelEvent *event)
{
    const qreal x = chart()->mapFromScene(mapToScene(event->position().toPoint())).x();
    zoomTime(std::pow(2.0, -event->angleDelta().y() / kNotch), x);
    event->accept();
}

void DeviceLoadChartView::mouseDoubleClickEvent(QMouseEvent *event)
{
    showWholeRange();
    event->accept();
}

void DeviceLoadChartView::mouseReleaseEvent(QMouseEvent *event)
{
    // The view's own right click zooms out both axes; only time is zoomed here.
    if (event->button() == Qt::RightButton) {
        zoomTime(2.0, chart()->plotArea().center().x());
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void DeviceLoadChartView::keyPressEvent(QKeyEvent *event)
{
    const qreal centre = chart()->plotArea().center().x();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomTime(0.5, centre);
        break;
    case Qt::Key_Minus:
        zoomTime(2.0, centre);
        break;
    case Qt::Key_Home:
        showWholeRange();
        break;
    case Qt::Key_Left:
        panTime(-0.5);
        break;
    case Qt::Key_Right:
        panTime(0.5);
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

// A zoom of the time axis leaves the load axis at 0 to the top, whatever a band asked for.
void DeviceLoadChartView::keepLoadAxis()
{
    if (m_loadAxis->min() != 0.0 || m_loadAxis->max() != m_highest)
        m_loadAxis->setRange(0.0, m_highest);
}

void DeviceLoadChartView::showPointsForSpan()
{
    const qint64 span = m_timeAxis->min().msecsTo(m_timeAxis->max());
    m_samples->setPointsVisible(span <= kPointsSpanMs);
}

} // namespace tovik
