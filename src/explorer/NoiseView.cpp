#include "explorer/NoiseView.h"

#include "explorer/ExplorerText.h"
#include "sweep/TuneAnalysis.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QLabel>
#include <QVBoxLayout>
#include <QValueAxis>

namespace tovik {

namespace {

QLabel *textLabel(const char *name)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

NoiseView::NoiseView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("noise"));
    m_heading = textLabel("noiseHeading");
    m_devices = textLabel("noiseDevices");
    m_monitoring = textLabel("monitoringSuggestion");
    m_chart = new QChartView;
    m_chart->setObjectName(QStringLiteral("noiseChart"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumSize(240, 140);
    QChart *chart = m_chart->chart();
    chart->legend()->hide();
    m_bars = new QBarSet(tr("Alarms"));
    auto *series = new QBarSeries;
    series->append(m_bars);
    chart->addSeries(series);
    auto *hours = new QBarCategoryAxis;
    for (int h = 0; h < 24; ++h)
        hours->append(QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')));
    auto *alarms = new QValueAxis;
    alarms->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(hours, Qt::AlignBottom);
    chart->addAxis(alarms, Qt::AlignLeft);
    series->attachAxis(hours);
    series->attachAxis(alarms);
    auto *column = new QVBoxLayout(this);
    column->addWidget(m_heading);
    column->addWidget(m_chart, 1);
    column->addWidget(m_devices);
    column->addWidget(m_monitoring);
    clear();
}

void NoiseView::clear()
{
    m_heading->setText(ExplorerText::noNoise());
    m_bars->remove(0, m_bars->count());
    m_devices->clear();
    m_monitoring->clear();
}

void NoiseView::showNoise(
    const TuneAnalysis *analysis, std::optional<TuneSetting> setting, AlarmChoice shown)
{
    if (!analysis || !setting) {
        clear();
        return;
    }
    const NoiseProfile noise = analysis->noise(*setting);
    m_heading->setText(ExplorerText::noiseHeading(shown, noise.alarms));
    QList<qreal> values;
    for (const qint64 alarms : noise.alarmsByHourOfDay)
        values << qreal(alarms);
    m_bars->remove(0, m_bars->count());
    m_bars->append(values);
    const qint64 highest
        = *std::max_element(noise.alarmsByHourOfDay.cbegin(), noise.alarmsByHourOfDay.cend());
    auto *alarms = qobject_cast<QValueAxis *>(m_chart->chart()->axes(Qt::Vertical).value(0));
    alarms->setRange(0, std::max<qreal>(1, qreal(highest)));
    alarms->applyNiceNumbers();
    m_devices->setText(noise.devicesText());
    const std::optional<MonitoringSuggestion> monitoring = analysis->monitoringTime(*setting);
    m_monitoring->setText(monitoring ? monitoring->text() : QString());
}

QList<qreal> NoiseView::alarmsByHour() const
{
    QList<qreal> values;
    for (int h = 0; h < m_bars->count(); ++h)
        values << m_bars->at(h);
    return values;
}

} // namespace tovik
