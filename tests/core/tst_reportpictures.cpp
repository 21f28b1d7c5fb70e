#include "PdfText.h"
#include "report/CaughtChartPicture.h"
#include "report/HeatmapPicture.h"
#include "report/HourAxis.h"
#include "report/ReportColumn.h"
#include "report/ReportPage.h"
#include "report/ReportWriter.h"
#include "report/SweepReport.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

constexpr qint16 kOccurrences = 2;

// A day of report 7 monitored from 08:00 to 18:00, 12 samples in each hour a node has a row:
// node 101 caught from 09:00 to 12:00 and at 15:00 and one short of the occurrences at 13:00, node
// 102 under them at 09:00 and 12:00, node 103 caught at 15:00. Monitored hours without a row have
// no sample: blind.
std::shared_ptr<const SweepGrid> dayGrid(const QString &firstName = "core-rtr-01")
{
    auto result = std::make_shared<SweepResult>();
    QString failure;
    result->range = *SweepRange::fromTexts("2026-12-07 00:00:00", "2026-12-08 00:00:00", &failure);
    for (int hour = 0; hour < 24; ++hour)
        result->monitored << (hour >= 8 && hour < 18);
    result->reportIds = {7};
    result->reportNames = {"CPU Core"};
    result->nodes.insert(101, {firstName, "192.0.2.1"});
    result->nodes.insert(103, {"edge-03", "192.0.2.3"});
    result->rows
        = {{101, 3, 9, 0, 12}, {102, 1, 9, 0, 12}, {101, 2, 10, 0, 12}, {101, 4, 11, 0, 12},
            {102, 1, 12, 0, 12}, {101, 1, 13, 0, 12}, {101, 2, 15, 0, 12}, {103, 5, 15, 0, 12}};
    return std::make_shared<const SweepGrid>(std::move(result));
}

// Report 7's devices 1 to count each caught at 09:00, 10:00 and 11:00 of the day.
std::shared_ptr<const SweepGrid> busyGrid(int count)
{
    auto result = std::make_shared<SweepResult>();
    QString failure;
    result->range = *SweepRange::fromTexts("2026-12-07 00:00:00", "2026-12-08 00:00:00", &failure);
    result->monitored = QList<bool>(24, true);
    result->reportIds = {7};
    result->reportNames = {"CPU Core"};
    for (quint16 hour = 9; hour < 12; ++hour) {
        for (int node = 1; node <= count; ++node)
            result->rows.push_back({node, 3, hour, 0, 12});
    }
    return std::make_shared<const SweepGrid>(std::move(result));
}

SweepSettings daySettings()
{
    SweepSettings settings;
    settings.connection.SqlDbServer = "db01";
    settings.connection.SqlDbPort = "1444";
    settings.connection.SqlDatabase = "SNMPCONLINE";
    settings.connection.SqlDbUser = "monitor-user";
    settings.connection.SqlDbPass = "Day-Secret-91";
    settings.threshold = 50;
    settings.occurrences = kOccurrences;
    settings.monStartHour = 8;
    settings.monStopHour = 18;
    return settings;
}

// The colour in the middle of an hour's column of a picture of the report, at height y.
QColor hourColour(const QImage &image, const SweepReport &report, int left, int hour, int y)
{
    const int width = HeatmapPicture::hourWidth(24, HeatmapPicture::labelWidth(report));
    return image.pixelColor(left + hour * width + width / 2, y);
}

} // namespace

class tst_ReportPictures : public QObject
{
    Q_OBJECT

private slots:
    void caughtDevicesInOrder();
    void heatmapCells_data();
    void heatmapCells();
    void chartBars_data();
    void chartBars();
    void deviceTable();
    void pageHoldsNoCredential();
    void namesWhole_data();
    void namesWhole();
    void htmlPicturesAtTwicePixels();
    void pictureOnItsHeadingsPage_data();
    void pictureOnItsHeadingsPage();
    void pdfNamesReadAsTyped();
};

void tst_ReportPictures::caughtDevicesInOrder()
{
    const SweepReport report(daySettings(), dayGrid(), nullptr);
    QStringList names;
    for (const int device : report.caughtDevices())
        names << report.grid().deviceName(device);
    QCOMPARE(names, (QStringList {"core-rtr-01", "edge-03"}));
    QCOMPARE(report.alarms(), 5);
    QCOMPARE(report.server(), QString("db01:1444"));
    QVERIFY(report.surface().isEmpty());
}

void tst_ReportPictures::heatmapCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("hour");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("caught") << 0 << 9 << HeatmapPicture::kCaught;
    QTest::newRow("caught, last of a run") << 0 << 11 << HeatmapPicture::kCaught;
    QTest::newRow("under the occurrences") << 0 << 13 << HeatmapPicture::kCounted;
    QTest::newRow("no count") << 0 << 14 << QColor(Qt::white);
    QTest::newRow("outside the monitoring time") << 0 << 3 << HeatmapPicture::kNotMonitored;
    QTest::newRow("second device caught") << 1 << 15 << HeatmapPicture::kCaught;
    QTest::newRow("second device, another's hour") << 1 << 9 << QColor(Qt::white);
}

// Devices down, the most often caught first; hours across.
void tst_ReportPictures::heatmapCells()
{
    QFETCH(int, row);
    QFETCH(int, hour);
    QFETCH(QColor, colour);
    const SweepReport report(daySettings(), dayGrid(), nullptr);

    const QImage image = HeatmapPicture::draw(report);

    QCOMPARE(image.height(), 2 * HeatmapPicture::kRowHeight + HourAxis::kHeight);
    const int y = row * HeatmapPicture::kRowHeight + HeatmapPicture::kRowHeight / 2;
    QCOMPARE(hourColour(image, report, HeatmapPicture::labelWidth(report), hour, y), colour);
}

void tst_ReportPictures::chartBars_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("y");
    QTest::addColumn<QColor>("colour");

    const int top = 2;
    const int middle = CaughtChartPicture::kPlotHeight / 2 + 2;
    const int bottom = CaughtChartPicture::kPlotHeight - 2;
    QTest::newRow("two caught: the highest bar") << 15 << top << CaughtChartPicture::kBar;
    QTest::newRow("one caught: half its height") << 9 << middle << CaughtChartPicture::kBar;
    QTest::newRow("one caught: not above half") << 9 << middle - 6 << QColor(Qt::white);
    QTest::newRow("none caught") << 13 << bottom << QColor(Qt::white);
    QTest::newRow("under the occurrences only") << 12 << bottom << QColor(Qt::white);
    QTest::newRow("outside the monitoring time")
        << 20 << middle << CaughtChartPicture::kNotMonitored;
}

void tst_ReportPictures::chartBars()
{
    QFETCH(int, hour);
    QFETCH(int, y);
    QFETCH(QColor, colour);
    const SweepReport report(daySettings(), dayGrid(), nullptr);

    const QImage image = CaughtChartPicture::draw(report);

    QCOMPARE(hourColour(image, report, CaughtChartPicture::kScaleWidth, hour, y), colour);
}

void tst_ReportPictures::deviceTable()
{
    const SweepReport report(daySettings(), dayGrid(), nullptr);
    const QList<ReportColumn> columns = ReportColumn::deviceColumns();
    QList<QStringList> rows;
    for (const int device : report.caughtDevices()) {
        QStringList cells;
        for (const ReportColumn &column : columns)
            cells << column.text(report.grid(), device, kOccurrences);
        rows << cells;
    }

    // A line of the table breaks between ranges of hours, never within one.
    const auto ranges = [](QString text) { return text.replace(' ', QChar::Nbsp); };
    QCOMPARE(rows,
        (QList<QStringList> {{"core-rtr-01", "192.0.2.1", "CPU Core", "4", "1", "5",
                                 ranges("12-07 09:00-12:00") + ", " + ranges("12-07 15:00-16:00")},
            {"edge-03", "192.0.2.3", "CPU Core", "1", "0", "9", ranges("12-07 15:00-16:00")}}));
}

// The server, the database and the setting, but no user name and no password.
void tst_ReportPictures::pageHoldsNoCredential()
{
    const SweepReport report(daySettings(), dayGrid(), nullptr, AlarmChoice {45, 3});

    const QString html = QString::fromUtf8(ReportPage(report).standaloneHtml());

    for (const QString &shown :
        {QString("<b>Server:</b> db01:1444"), QString("<b>Database:</b> SNMPCONLINE"),
            QString("<b>Monitoring time:</b> 08:00 to 18:00"),
            QString("<b>Alarm setting:</b> threshold 50 %, occurrences 2"),
            QString("<b>Baseline:</b> threshold 45 %, occurrences 3")})
        QVERIFY2(html.contains(shown), qPrintable(shown));
    QVERIFY(!html.contains("Day-Secret-91"));
    QVERIFY(!html.contains("monitor-user"));
}

void tst_ReportPictures::namesWhole_data()
{
    QTest::addColumn<qreal>("pixelRatio");
    QTest::newRow("as on screen") << qreal(1);
    QTest::newRow("as in a report") << qreal(2);
}

// The heatmap makes room for its longest name: a name cut short would leave a reader guessing.
void tst_ReportPictures::namesWhole()
{
    QFETCH(qreal, pixelRatio);
    const QString name = "rtr-core-01.datacenter-north.example.net";
    const SweepReport report(daySettings(), dayGrid(name), nullptr);

    const QImage image = HeatmapPicture::draw(report, pixelRatio);

    // The ink of the first row's name, left of its hours, as wide as the name drawn whole.
    const int labels = HeatmapPicture::labelWidth(report);
    int left = image.width();
    int right = -1;
    for (int y = 0; y < HeatmapPicture::kRowHeight * pixelRatio; ++y) {
        for (int x = 0; x < labels * pixelRatio; ++x) {
            if (image.pixelColor(x, y).lightness() < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    const qreal ink = (right - left + 1) / pixelRatio;
    const qreal whole = QFontMetricsF(HourAxis::labelFont()).horizontalAdvance(name);
    QVERIFY2(ink >= whole - 3, qPrintable(QString("%1 of %2 pixels").arg(ink).arg(whole)));
    QVERIFY(left > 0);
}

// A picture of the page holds twice the pixels of the size the page gives it, as the PDF's do.
void tst_ReportPictures::htmlPicturesAtTwicePixels()
{
    const SweepReport report(daySettings(), dayGrid(), nullptr);

    const QString html = QString::fromUtf8(ReportPage(report).standaloneHtml());

    static const QRegularExpression img(
        R"re(<img src="data:image/png;base64,([^"]+)" width="(\d+)" height="(\d+)")re");
    int pictures = 0;
    for (const QRegularExpressionMatch &match : img.globalMatch(html)) {
        const QImage picture
            = QImage::fromData(QByteArray::fromBase64(match.captured(1).toLatin1()), "PNG");
        QCOMPARE(picture.size(), QSize(match.captured(2).toInt(), match.captured(3).toInt()) * 2);
        ++pictures;
    }
    QCOMPARE(pictures, 2);
}

void tst_ReportPictures::pictureOnItsHeadingsPage_data()
{
    QTest::addColumn<int>("devices");
    QTest::newRow("both pictures on page one") << 3;
    QTest::newRow("heatmap taller than the rest of page one") << 50;
    QTest::newRow("heatmap of the most devices") << 200;
}

// A picture and its heading share a page: a heading left at the foot of one page with its picture
// on the next reads as a heading over nothing.
void tst_ReportPictures::pictureOnItsHeadingsPage()
{
    QFETCH(int, devices);
    if (!pdfToolsInstalled())
        QSKIP("pdftotext, pdfinfo and pdfimages (poppler-utils) are needed to read the PDF back");
    const SweepReport report(daySettings(), busyGrid(devices), nullptr);
    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    QString failure;
    QVERIFY2(ReportWriter::writeFile(path, report, ReportWriter::Format::Pdf, &failure),
        qPrintable(failure));

    const std::optional<QStringList> pages = pdfPageTexts(path, &failure);
    const std::optional<QList<int>> pictures = pdfImagePages(path, &failure);

    QVERIFY2(pages && pictures, qPrintable(failure));
    QCOMPARE(pictures->size(), 2);
    const QStringList headings {"Caught devices per hour", "When each device was caught"};
    for (int picture = 0; picture < 2; ++picture) {
        const auto page = std::find_if(pages->cbegin(), pages->cend(),
            [&](const QString &text) { return text.contains(headings.at(picture)); });
        QVERIFY2(page != pages->cend(), qPrintable(headings.at(picture)));
        QCOMPARE(int(page - pages->cbegin()) + 1, pictures->at(picture));
    }
}

// Letters a font would join (fl, fi) stay letters: a name copied from the PDF, or searched for in
// it, is the name.
void tst_ReportPictures::pdfNamesReadAsTyped()
{
    if (!pdfToolsInstalled())
        QSKIP("pdftotext, pdfinfo and pdfimages (poppler-utils) are needed to read the PDF back");
    const QString name = "sw-floor2-03.fire";
    const SweepReport report(daySettings(), dayGrid(name), nullptr);
    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    QString failure;
    QVERIFY2(ReportWriter::writeFile(path, report, ReportWriter::Format::Pdf, &failure),
        qPrintable(failure));

    const std::optional<QString> text = pdfText(path, &failure);

    QVERIFY2(text, qPrintable(failure));
    QVERIFY2(text->contains(name), qPrintable(*text));
}

QTEST_MAIN(tst_ReportPictures)
#include "tst_reportpictures.moc"
