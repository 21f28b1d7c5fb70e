#include "explorer/HourChartView.h"

#include "explorer/ExplorerText.h"
#include "explorer/HeatmapView.h"
#include "explorer/IncidentSpans.h"
#include "output/OutputFile.h"
#include "sweep/SweepGrid.h"

#include <QAreaSeries>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPainter>
#include <QSvgGenerator>
#include <QValueAxis>

namespace tovik {

namespace {

constexpr qint64 kMsPerHour = 3600 * 1000;

using ExplorerText::chartTime;

} // namespace

HourChartView::HourChartView(const QString &title, QWidget *parent)
    : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    chart()->setTitle(title);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    m_timeAxis = new QDateTimeAxis;
    m_timeAxis->setFormat(ExplorerText::axisFormat());
    m_valueAxis = new QValueAxis;
    m_valueAxis->setLabelFormat(QStringLiteral("%d"));
    chart()->addAxis(m_timeAxis, Qt::AlignBottom);
    chart()->addAxis(m_valueAxis, Qt::AlignLeft);
}

namespace {

// Whole-number ticks: at most five steps of the same whole size up to the top, a tenth above
// highest.
std::pair<int, int> valueSteps(qreal highest)
{
    const int highestCount = std::max(1, int(std::ceil(highest * 1.1)));
    const int step = (highestCount + 4) / 5;
    return {step, (highestCount + step - 1) / step};
}

// At most nine ticks, and no more than most, each interval the same number of whole hours.
int wholeHourTicks(int hours, int most)
{
    for (int intervals = std::min(8, most - 1); intervals > 1; --intervals) {
        if (hours % intervals == 0)
            return intervals + 1;
    }
    return 2;
}

} // namespace

void HourChartView::showSeries(
    const QList<QAbstractSeries *> &series, const SweepGrid &grid, qreal highest)
{
    chart()->removeAllSeries();
    const SweepRange &range = grid.result().range;
    // The axis spans the whole range, so that a tick count that divides its hours puts every tick
    // on a whole hour.
    m_timeAxis->setRange(
        ExplorerText::localTime(range.from()), ExplorerText::localTime(range.to()));
    m_hourCount = range.hourCount();
    fitTimeTicks();
    const auto [step, steps] = valueSteps(highest);
    m_valueAxis->setRange(0, step * steps);
    m_valueAxis->setTickCount(steps + 1);
    for (QAbstractSeries *s : series) {
        chart()->addSeries(s);
        s->attachAxis(m_timeAxis);
        s->attachAxis(m_valueAxis);
    }
}

int HourChartView::valueTop(qreal highest)
{
    const auto [step, steps] = valueSteps(highest);
    return step * steps;
}

QAbstractSeries *HourChartView::incidentBand(
    const QList<Incident> &incidents, const SweepGrid &grid, qreal top)
{
    auto *outline = new QLineSeries;
    outline->append(IncidentSpans::bandOutline(incidents, grid.result().range, top));
    auto *band = new QAreaSeries(outline);
    // The band owns its outline, which goes with it when the chart's series are replaced.
    outline->setParent(band);
    band->setObjectName(QStringLiteral("incidents"));
    band->setName(tr("Incidents"));
    band->setColor(HeatmapDelegate::kIncidentBand);
    band->setPen(Qt::NoPen);
    return band;
}

void HourChartView::fitTimeTicks()
{
    // A label is a weekday over a time; room for the longer of them and a space either side.
    const QFontMetrics metrics(m_timeAxis->labelsFont());
    const int label = metrics.horizontalAdvance(QStringLiteral("00:00 AM")) + 2 * metrics.height();
    const int room
        = int(chart()->plotArea().width()) > 0 ? int(chart()->plotArea().width()) : width();
    m_timeAxis->setTickCount(wholeHourTicks(m_hourCount, std::max(2, room / label + 1)));
}

void HourChartView::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    if (m_hourCount > 0)
        fitTimeTicks();
}

QList<QPointF> HourChartView::hourPoints(const SweepGrid &grid, const QList<int> &values)
{
    const SweepResult &result = grid.result();
    QList<QPointF> points;
    for (int h = 0; h < values.size(); ++h) {
        if (result.monitored.value(h))
            points.append({chartTime(result.range.hour(h)), qreal(values.at(h))});
    }
    return points;
}

bool HourChartView::writeFile(const QString &path, QString *failure)
{
    const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    const auto fill
        = [this, svg](QIODevice &file) { return svg ? writeSvg(file) : writePng(file); };
    QString reason;
    if (OutputFile::write(path, OutputFile::Access::Shared, fill, &reason))
        return true;
    *failure = ExplorerText::notWritten(QStringLiteral("chart"), path, reason);
    return false;
}

bool HourChartView::writePng(QIODevice &device)
{
    return grab().save(&device, "PNG");
}

bool HourChartView::writeSvg(QIODevice &device)
{
    QSvgGenerator generator;
    generator.setOutputDevice(&device);
    generator.setSize(size());
    generator.setViewBox(rect());
    generator.setTitle(chart()->title());
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    render(&painter);
    return painter.end();
}

CaughtChartView::CaughtChartView(QWidget *parent)
    : HourChartView(tr("Caught devices per hour"), parent)
{
    setObjectName(QStringLiteral("caughtChart"));
    chart()->legend()->hide();
}

void CaughtChartView::showCaught(
    const SweepGrid &grid, qint16 occurrences, const QList<Incident> &incidents)
{
    const QList<int> caught = grid.caughtPerHour(occurrences);
    const QList<QPointF> points = hourPoints(grid, caught);
    auto *line = new QLineSeries;
    line->setName(tr("Caught devices"));
    line->append(points);
    // The line draws its own marks: a scatter series makes an item of every point, which a
    // month's 720 hours make slow to redraw.
    line->setPointsVisible(true);
    line->setMarkerSize(7);
    const int highest = caught.isEmpty() ? 0 : *std::max_element(caught.cbegin(), caught.cend());
    QList<QAbstractSeries *> series;
    // Under the line, so that its marks stay in sight.
    if (!incidents.isEmpty())
        series << incidentBand(incidents, grid, valueTop(highest));
    showSeries(series << line, grid, highest);
}

DeviceCountsChartView::DeviceCountsChartView(QWidget *parent)
    : HourChartView(tr("Counts of the selected device"), parent)
{
    setObjectName(QStringLiteral("deviceChart"));
}

void DeviceCountsChartView::showDevice(const SweepGrid &grid, int device, qint16 occurrences)
{
    QList<int> counts(grid.hourCount(), 0);
    for (const GridDevice::Cell &cell : grid.device(device).cells)
        counts[cell.hourIndex] = cell.count;
    auto *line = new QLineSeries;
    line->setName(grid.deviceName(device));
    line->append(hourPoints(grid, counts));
    auto *limit = new QLineSeries;
    limit->setName(tr("Occurrences (%1)").arg(ExplorerText::number(occurrences)));
    const SweepRange &range = grid.result().range;
    limit->append(chartTime(range.from()), occurrences);
    limit->append(chartTime(range.to()) - kMsPerHour, occurrences);
    QPen pen(QColor(40, 40, 40), 1.5, Qt::DashLine);
    limit->setPen(pen);
    chart()->setTitle(tr("Counts of %1").arg(grid.nodeInReport(device)));
    showSeries({line, limit}, grid, std::max<qreal>(grid.device(device).highestCount, occurrences));
    limit->setPen(pen);
}

void DeviceCountsChartView::clearDevice()
{
    chart()->removeAllSeries();
    chart()->setTitle(tr("Counts of the selected device"));
}

} // namespace tovik
