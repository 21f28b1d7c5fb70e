#include "report/ReportPage.h"

#include "common/TimeFormats.h"
#include "report/CaughtChartPicture.h"
#include "report/HeatmapPicture.h"
#include "report/ReportColumn.h"
#include "report/SweepReport.h"
#include "sweep/TuneJson.h"

#include <QBuffer>
#include <QTextDocument>
#include <QTextOption>
#include <QUrl>

namespace tovik {

namespace {

const QString kHeatmapName = QStringLiteral("heatmap.png");
const QString kChartName = QStringLiteral("caught-per-hour.png");
// Pixels to each of a picture's points, so that a picture on a page is as sharp as its text on
// a printer or a high-density screen.
constexpr qreal kPixelRatio = 2;
// Plain enough for QTextDocument, which reads only a part of CSS. A hair of letter spacing keeps
// Qt from joining letters into ligatures, so that a name copied or searched for in the PDF reads as
// it was typed ("fl", not one glyph).
const QString kStyle
    = QStringLiteral("body { font-family: sans-serif; font-size: 9pt; letter-spacing: 0.05px; }"
                     "h1 { font-size: 16pt; }"
                     "h2 { font-size: 12pt; margin-top: 14px; page-break-after: avoid; }"
                     "table { border-collapse: collapse; width: 100%; }"
                     "th, td { padding: 2px 4px; border: 1px solid #b0b0b0; }"
                     "th { background-color: #eeeeee; }"
                     ".number { text-align: right; }");
const QString kSettingColour = QStringLiteral("#f5b7b1");
const QString kBaselineColour = QStringLiteral("#aed6f1");
const QString kOverBudgetText = QStringLiteral("#9a9a9a");

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

QString budgetText(double budget)
{
    return QString::fromLatin1(TuneJson::decimal(budget));
}

// In the picture's points, whatever its pixels: a wider one is scaled to the page's text.
QString imageHtml(const QString &source, const QImage &picture)
{
    const QSizeF points = picture.deviceIndependentSize();
    const qreal scale = std::min(1.0, ReportPage::kTextWidth / points.width());
    return QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"\"></p>")
        .arg(source)
        .arg(qRound(points.width() * scale))
        .arg(qRound(points.height() * scale));
}

// textStyle is CSS for the cell's text alone, e.g. "font-weight: bold".
QString cell(
    const QString &text, bool numeric, const QString &colour = {}, const QString &textStyle = {})
{
    const QString background
        = colour.isEmpty() ? QString() : QStringLiteral(" bgcolor=\"%1\"").arg(colour);
    const QString content = textStyle.isEmpty()
        ? escaped(text)
        : QStringLiteral("<span style=\"%1\">%2</span>").arg(textStyle, escaped(text));
    return QStringLiteral("<td%1%2>%3</td>")
        .arg(numeric ? QStringLiteral(" class=\"number\" align=\"right\"") : QString(), background,
            content);
}

} // namespace

ReportPage::ReportPage(const SweepReport &report)
    : m_report(report)
    , m_heatmap(HeatmapPicture::draw(report, kPixelRatio))
    , m_chart(CaughtChartPicture::draw(report, kPixelRatio))
{
}

void ReportPage::fill(QTextDocument &document) const
{
    document.setMetaInformation(QTextDocument::DocumentTitle, kTitle);
    // A word too wide for its column overflows it rather than break within itself, as a
    // browser's does.
    QTextOption wrap = document.defaultTextOption();
    wrap.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(wrap);
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
        + headerHtml() + picturesHtml(source) + surfaceHtml() + incidentsHtml() + noiseHtml()
        + devicesHtml() + QStringLiteral("</body></html>\n");
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
    if (m_report.budget())
        text += line(QStringLiteral("Budget"),
            QStringLiteral("at most %1 alarms per day").arg(budgetText(*m_report.budget())));
    return text
        + QStringLiteral("</p>\n<p>%1 alarms on %2 devices: the traps the setting would have "
                         "sent.</p>\n")
              .arg(m_report.alarms())
              .arg(m_report.caughtDevices().size());
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
    QString text = QStringLiteral("<h2>Alarms per day</h2>\n<p>Thresholds down, occurrences "
                                  "across; the setting is marked red%1%2.</p>\n<table "
                                  "width=\"100%\"><thead><tr><th>Threshold</th>")
                       .arg(m_report.baseline() ? QStringLiteral(", the baseline blue") : QString(),
                           budgetLegend());
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
        text += QStringLiteral("<th>%1</th>").arg(o);
    text += QStringLiteral("</tr></thead>\n");
    for (int step = 0; step < surface.ladder().size(); ++step) {
        text += QStringLiteral("<tr>")
            + cell(QStringLiteral("%1 %").arg(surface.ladder().threshold(step)), true);
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
            text += surfaceCell(step, o);
        text += QStringLiteral("</tr>\n");
    }
    return text + QStringLiteral("</table>\n");
}

QString ReportPage::budgetLegend() const
{
    if (!m_report.budget())
        return {};
    return QStringLiteral("; cells over the budget of %1 alarms per day are grey, the lowest "
                          "threshold within it bold")
        .arg(budgetText(*m_report.budget()));
}

QString ReportPage::surfaceCell(int step, qint16 occurrences) const
{
    const TuningSurface &surface = m_report.surface();
    const double perDay = surface.alarmsPerDay(step, occurrences);
    const AlarmChoice here {surface.ladder().threshold(step), occurrences};
    QString colour;
    if (here == m_report.setting())
        colour = kSettingColour;
    else if (here == m_report.baseline())
        colour = kBaselineColour;
    QString style;
    if (const std::optional<double> budget = m_report.budget()) {
        if (perDay > *budget)
            style = QStringLiteral("color: %1").arg(kOverBudgetText);
        else if (surface.recommendedStep(occurrences, *budget) == step)
            style = QStringLiteral("font-weight: bold");
    }
    return cell(QString::number(perDay, 'f', 1), true, colour, style);
}

QString ReportPage::incidentsHtml() const
{
    // The report scores incidents, an empty file's none among them, whenever it has their noise.
    if (!m_report.noise())
        return {};
    const QList<Incident> &incidents = m_report.incidents();
    const QList<bool> &caught = m_report.incidentsCaught();
    QString text = QStringLiteral("<h2>Incidents</h2>\n<p>%1 of %2 incidents caught by %3.</p>\n")
                       .arg(caught.count(true))
                       .arg(incidents.size())
                       .arg(settingText(m_report.setting()));
    if (incidents.isEmpty())
        return text;
    text += QStringLiteral("<table width=\"100%\"><thead><tr><th>Start</th><th>End</th>"
                           "<th>Device</th><th>Note</th><th>Caught</th></tr></thead>\n");
    for (qsizetype i = 0; i < incidents.size(); ++i) {
        const Incident &incident = incidents.at(i);
        text += QStringLiteral("<tr>") + cell(hourText(incident.start), false)
            + cell(hourText(incident.end), false)
            + cell(incident.isAnyDevice() ? QStringLiteral("any device") : incident.device, false)
            + cell(incident.note, false)
            + cell(caught.value(i) ? QStringLiteral("yes") : QStringLiteral("no"), false)
            + QStringLiteral("</tr>\n");
    }
    return text + QStringLiteral("</table>\n");
}

// The setting's alarms by hour of day, across, as a day reads.
QString ReportPage::noiseHtml() const
{
    const std::optional<NoiseProfile> &noise = m_report.noise();
    if (!noise)
        return {};
    QString text = QStringLiteral("<h2>Alarms by hour of day</h2>\n<p>%1 alarms of %2.")
                       .arg(noise->alarms)
                       .arg(settingText(m_report.setting()));
    const QString devices = noise->devicesText();
    if (!devices.isEmpty())
        text += u' ' + escaped(devices) + u'.';
    if (const std::optional<QString> &monitoring = m_report.monitoringSuggestion())
        text += u' ' + escaped(*monitoring) + u'.';
    text += QStringLiteral("</p>\n<table width=\"100%\"><thead><tr>");
    for (int hour = 0; hour < 24; ++hour)
        text += QStringLiteral("<th>%1</th>").arg(hour, 2, 10, QLatin1Char('0'));
    text += QStringLiteral("</tr></thead>\n<tr>");
    for (const qint64 alarms : noise->alarmsByHourOfDay)
        text += cell(QString::number(alarms), true);
    return text + QStringLiteral("</tr>\n</table>\n");
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
