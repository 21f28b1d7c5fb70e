#include "report/ReportPage.h"

#include "common/TimeFormats.h"
#include "report/CaughtChartPicture.h"
#include "report/HeatmapPicture.h"
#include "report/ReportColumn.h"
#include "report/SweepReport.h"

#include <QBuffer>
#include <QTextDocument>
#include <QUrl>

namespace tovik {

namespace {

const QString kHeatmapName = QStringLiteral("heatmap.png");
const QString kChartName = QStringLiteral("caught-per-hour.png");
// Plain enough for QTextDocument, which reads only a part of CSS.
const QString kStyle
    = QStringLiteral("body { font-family: sans-serif; font-size: 9pt; }"
                     "h1 { font-size: 16pt; } h2 { font-size: 12pt; margin-top: 14px; }"
                     "table { border-collapse: collapse; width: 100%; }"
                     "th, td { padding: 2px 4px; border: 1px solid #b0b0b0; }"
                     "th { background-color: #eeeeee; }"
                     ".number { text-align: right; }");
const QString kSettingColour = QStringLiteral("#f5b7b1");
const QString kBaselineColour = QStringLiteral("#aed6f1");

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString settingText(const AlarmChoice &setting)
{
    return QStringLiteral("threshold %1 %, occurrences %2")
        .arg(setting.threshold)
        .arg(setting.occurrences);
}

QString hourText(const QDateTime &hour)
{
    return hour.toString(TimeFormats::kMinute);
}

QString line(const QString &label, const QString &value)
{
    return QStringLiteral("<b>%1:</b> %2<br>").arg(label, escaped(value));
}

QString pngBase64(const QImage &picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return QString::fromLatin1(png.toBase64());
}

QString imageHtml(const QString &source, const QImage &picture)
{
    return QStringLiteral("<p><img src=\"%1\" width=\"%2\" alt=\"\"></p>")
        .arg(source)
        .arg(std::min(picture.width(), ReportPage::kTextWidth));
}

QString cell(const QString &text, bool numeric, const QString &colour = {})
{
    const QString background
        = colour.isEmpty() ? QString() : QStringLiteral(" bgcolor=\"%1\"").arg(colour);
    return QStringLiteral("<td%1%2>%3</td>")
        .arg(numeric ? QStringLiteral(" class=\"number\" align=\"right\"") : QString(), background,
            escaped(text));
}

} // namespace

ReportPage::ReportPage(const SweepReport &report)
    : m_report(report)
    , m_heatmap(HeatmapPicture::draw(report))
    , m_chart(CaughtChartPicture::draw(report))
{
}

void ReportPage::fill(QTextDocument &document) const
{
    document.setMetaInformation(QTextDocument::DocumentTitle, kTitle);
    const Source named = [&document](const QString &name, const QImage &picture) {
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        return name;
    };
    document.setHtml(html(named));
}

QByteArray ReportPage::standaloneHtml() const
{
    const Source embedded = [](const QString &, const QImage &picture) -> QString {
        return QStringLiteral("data:image/png;base64,") + pngBase64(picture);
    };
    return html(embedded).toUtf8();
}

QString ReportPage::html(const Source &source) const
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>%2</style></head><body>\n<h1>%1</h1>\n")
               .arg(kTitle, kStyle)
        + headerHtml() + picturesHtml(source) + surfaceHtml() + devicesHtml()
        + QStringLiteral("</body></html>\n");
}

QString ReportPage::headerHtml() const
{
    const SweepRange &range = m_report.range();
    QString text = QStringLiteral("<p>") + line(QStringLiteral("Server"), m_report.server())
        + line(QStringLiteral("Database"), m_report.database())
        + line(QStringLiteral("Range"),
            QStringLiteral("%1 to %2 (%3 hours)")
                .arg(hourText(range.from()), hourText(range.to()))
                .arg(range.hourCount()))
        + line(QStringLiteral("Monitoring time"),
            QStringLiteral("%1:00 to %2:00")
                .arg(m_report.monStartHour(), 2, 10, QLatin1Char('0'))
                .arg(m_report.monStopHour(), 2, 10, QLatin1Char('0')))
        + line(QStringLiteral("Alarm setting"), settingText(m_report.setting()));
    if (m_report.baseline())
        text += line(QStringLiteral("Baseline"), settingText(*m_report.baseline()));
    return text
        + QStringLiteral("</p>\n<p>%1 devices caught in %2 device-hours: the traps the setting "
                         "would have sent.</p>\n")
              .arg(m_report.caughtDevices().size())
              .arg(m_report.alarms());
}

QString ReportPage::picturesHtml(const Source &source) const
{
    QString text = QStringLiteral("<h2>Caught devices per hour</h2>\n")
        + imageHtml(source(kChartName, m_chart), m_chart)
        + QStringLiteral("<h2>When each device was caught</h2>\n");
    if (m_heatmap.isNull())
        return text + QStringLiteral("<p>No device was caught.</p>\n");
    text += imageHtml(source(kHeatmapName, m_heatmap), m_heatmap);
    const qsizetype devices = m_report.caughtDevices().size();
    if (devices > HeatmapPicture::kMaxDevices)
        text += QStringLiteral("<p>The %1 most often caught of %2 devices; the table below lists "
                               "them all.</p>\n")
                    .arg(HeatmapPicture::kMaxDevices)
                    .arg(devices);
    return text
        + QStringLiteral("<p>Dark: caught; pale: samples at or over the threshold, too few to "
                         "catch; grey: outside the monitoring time.</p>\n");
}

QString ReportPage::surfaceHtml() const
{
    const TuningSurface &surface = m_report.surface();
    if (surface.isEmpty())
        return {};
    QString text = QStringLiteral(
        "<h2>Alarms per day</h2>\n<p>Thresholds down, occurrences across; the setting is marked "
        "red%1.</p>\n<table width=\"100%\"><thead><tr><th width=\"11%\">Threshold</th>")
                       .arg(
                           m_report.baseline() ? QStringLiteral(", the baseline blue") : QString());
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
        text += QStringLiteral("<th>%1</th>").arg(o);
    text += QStringLiteral("</tr></thead>\n");
    const auto colourOf = [this](qint16 threshold, qint16 occurrences) {
        const auto is = [&](const AlarmChoice &s) {
            return s.threshold == threshold && s.occurrences == occurrences;
        };
        if (is(m_report.setting()))
            return kSettingColour;
        return m_report.baseline() && is(*m_report.baseline()) ? kBaselineColour : QString();
    };
    for (int step = 0; step < surface.ladder().size(); ++step) {
        const qint16 threshold = surface.ladder().threshold(step);
        text += QStringLiteral("<tr>") + cell(QStringLiteral("%1 %").arg(threshold), true);
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
            text += cell(QString::number(surface.alarmsPerDay(step, o), 'f', 1), true,
                colourOf(threshold, o));
        text += QStringLiteral("</tr>\n");
    }
    return text + QStringLiteral("</table>\n");
}

QString ReportPage::devicesHtml() const
{
    const QList<int> &devices = m_report.caughtDevices();
    QString text = QStringLiteral("<h2>Caught devices</h2>\n");
    if (devices.isEmpty())
        return text + QStringLiteral("<p>No device was caught.</p>\n");
    const QList<ReportColumn> columns = ReportColumn::deviceColumns();
    text += QStringLiteral("<table width=\"100%\"><thead><tr>");
    for (const ReportColumn &column : columns)
        text += QStringLiteral("<th>%1</th>").arg(escaped(column.heading));
    text += QStringLiteral("</tr></thead>\n");
    const qint16 occurrences = m_report.setting().occurrences;
    for (const int device : devices) {
        text += QStringLiteral("<tr>");
        for (const ReportColumn &column : columns)
            text += cell(column.text(m_report.grid(), device, occurrences), column.numeric);
        text += QStringLiteral("</tr>\n");
    }
    return text + QStringLiteral("</table>\n");
}

} // namespace tovik
