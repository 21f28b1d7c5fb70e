#include "DeviceSamples.h"
#include "ExplorerRun.h"
#include "MonitoringFixture.h"
#include "explorer/DeviceLoadChartView.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/HeatmapView.h"
#include "explorer/models/DeviceTableModel.h"
#include "explorer/models/HeatmapModel.h"
#include "sweep/SweepGrid.h"

#include <QApplication>
#include <QAreaSeries>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr qint64 kHourMs = 3600 * 1000;
// Far longer than any wait below, so that only a cancel ends a delayed query in time.
constexpr int kLongDelayMs = 60000;

// The fixture's connection, but to the server on port.
SweepChoice settingsFor(MonitoringFixture &fixture, quint16 port)
{
    SweepChoice settings;
    settings.connection.fields = fixture.host.connectionFields();
    settings.connection.fields.SqlDbPort = QString::number(port);
    settings.fixedRange = true;
    settings.from = DeviceSamples::kFrom;
    settings.to = DeviceSamples::kTo;
    settings.monStartHour = 11;
    settings.monStopHour = 24;
    settings.threshold = 50;
    settings.occurrences = 3;
    return settings;
}

bool showFirstResult(MonitoringFixture &fixture, ExplorerWindow &window, QString *failure)
{
    if (!DeviceSamples::install(fixture, false) || !fixture.startServer()) {
        *failure = fixture.error;
        return false;
    }
    window.applySettings(settingsFor(fixture, fixture.port()));
    window.resize(1200, 800);
    window.show();
    if (runToResult(window))
        return true;
    *failure = window.statusText();
    return false;
}

// The grid's device that is report reportId's node nodeId; -1 without one.
int deviceOf(const SweepGrid &grid, qint32 reportId, qint32 nodeId)
{
    for (int i = 0; i < grid.deviceCount(); ++i) {
        if (grid.reportId(i) == reportId && grid.device(i).nodeId == nodeId)
            return i;
    }
    return -1;
}

// Clicks a cell of the device's row of the heatmap, another than the current one; false when the
// heatmap lacks the device.
bool clickInHeatmap(ExplorerWindow &window, qint32 reportId, qint32 nodeId)
{
    auto *heatmap = window.findChild<HeatmapView *>();
    const int device = deviceOf(*window.shownGrid(), reportId, nodeId);
    const QAbstractItemModel *model = heatmap->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const int last = model->columnCount() - 1;
        const bool lastIsCurrent = heatmap->currentIndex() == model->index(row, last);
        const QModelIndex cell = model->index(row, lastIsCurrent ? last - 1 : last);
        if (cell.data(HeatmapModel::DeviceRole).toInt() != device)
            continue;
        heatmap->scrollTo(cell);
        QTest::mouseClick(
            heatmap->viewport(), Qt::LeftButton, {}, heatmap->visualRect(cell).center());
        return true;
    }
    return false;
}

bool clickInDeviceTable(ExplorerWindow &window, qint32 reportId, qint32 nodeId)
{
    auto *table = window.findChild<QTableView *>("devices");
    const int device = deviceOf(*window.shownGrid(), reportId, nodeId);
    const QAbstractItemModel *model = table->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex cell = model->index(row, DeviceTableModel::Name);
        if (cell.data(DeviceTableModel::DeviceRole).toInt() != device)
            continue;
        table->scrollTo(cell);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
        return true;
    }
    return false;
}

DeviceLoadChartView *loadChart(const ExplorerWindow &window)
{
    return window.findChild<DeviceLoadChartView *>("deviceLoadChart");
}

template<class Series>
Series *seriesNamed(const ExplorerWindow &window, const QString &name)
{
    for (QAbstractSeries *series : loadChart(window)->chart()->series()) {
        if (series->objectName() == name)
            return qobject_cast<Series *>(series);
    }
    return nullptr;
}

QString timeText(qreal chartTime)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(chartTime)).toString(kTimeFormat);
}

// The drawn samples as "time load" texts, to compare with the stored rows.
QStringList drawnSamples(const ExplorerWindow &window)
{
    QStringList lines;
    for (const QPointF &point : seriesNamed<QLineSeries>(window, "samples")->points())
        lines << timeText(point.x()) + ' ' + QString::number(point.y());
    return lines;
}

QStringList storedSamples(qint32 reportId, qint32 nodeId)
{
    QStringList lines;
    for (const StoredSample &sample : DeviceSamples::of(reportId, nodeId))
        lines << sample.time + ' ' + QString::number(sample.load);
    return lines;
}

// Each band of an hour-marking series as "from - to".
QStringList bands(const ExplorerWindow &window, const QString &name)
{
    const QList<QPointF> outline = seriesNamed<QAreaSeries>(window, name)->upperSeries()->points();
    QStringList found;
    for (qsizetype i = 0; i + 3 < outline.size(); i += 4)
        found << timeText(outline.at(i).x()) + " - " + timeText(outline.at(i + 3).x());
    return found;
}

QList<qreal> thresholdLine(const ExplorerWindow &window)
{
    QList<qreal> heights;
    for (const QPointF &point : seriesNamed<QLineSeries>(window, "threshold")->points())
        heights << point.y();
    return heights;
}

int loadQueries(const QList<LoggedRequest> &logged)
{
    return int(std::count_if(logged.cbegin(), logged.cend(), [](const LoggedRequest &request) {
        return request.detail.contains("ProcessorLoad FROM");
    }));
}

// The number of the first request whose text holds marker among its connection's requests,
// counted as the server counts for --delay-from.
int requestNumber(const QList<LoggedRequest> &logged, const QString &marker)
{
    QHash<int, int> numbers;
    for (const LoggedRequest &request : logged) {
        if (request.kind == "DROP" || request.kind == "ATTENTION")
            continue;
        const int number = ++numbers[request.spid];
        if (request.detail.contains(marker))
            return number;
    }
    return 0;
}

// Waits until the window has drawn count loads since the spy began.
bool loadsShown(QSignalSpy &shown, int count)
{
    return QTest::qWaitFor([&] { return shown.count() >= count; }, 30000);
}

qint64 timeSpanMs(const ExplorerWindow &window)
{
    const auto *axis = qobject_cast<QDateTimeAxis *>(
        loadChart(window)->chart()->axes(Qt::Horizontal).constFirst());
    return axis->min().msecsTo(axis->max());
}

void turnWheel(QWidget *viewport, int notches)
{
    const QPointF centre = viewport->rect().center();
    QWheelEvent event(centre, viewport->mapToGlobal(centre), QPoint(), QPoint(0, 120 * notches),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

bool messageBoxShown()
{
    const auto widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.cbegin(), widgets.cend(), [](const QWidget *widget) {
        return widget->isVisible() && qobject_cast<const QMessageBox *>(widget);
    });
}

QString loadStatus(const ExplorerWindow &window)
{
    return window.findChild<QLabel *>("deviceLoadStatus")->text();
}

} // namespace

// The selected device's load in the explorer window, read from the sample server in the
// background while the window stays usable.
class tst_ExplorerDeviceLoad : public QObject
{
    Q_OBJECT

private slots:
    void selectedDeviceShowsItsSamples();
    void settingsRedrawWithoutQuery();
    void zoomShowsSinglePoints();
    void secondDeviceReplacesRunningQuery();
    void newSweepDropsRunningQuery();
    void deviceShownWhileSweepRuns();
    void failureShownInPanel();
};

void tst_ExplorerDeviceLoad::selectedDeviceShowsItsSamples()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);
    // core-rtr-01 by its name in another case, any device past the range's end, core-rtr-02 by
    // its address from before the range, and report 12's node 101 alone.
    QTemporaryDir dir;
    QFile incidents(dir.filePath("incidents.csv"));
    QVERIFY(incidents.open(QIODevice::WriteOnly));
    incidents.write("start,end,device,note\n"
                    "2026-12-07 12:10:00,2026-12-07 12:40:00,Core-Rtr-01,\n"
                    "2026-12-07 13:00:00,2026-12-07 15:00:00,,past the end\n"
                    "2026-12-06 09:00:00,2026-12-06 10:30:00,192.0.2.2,\n"
                    "2026-12-06 20:00:00,2026-12-06 21:00:00,12:101,\n");
    incidents.close();
    QVERIFY(window.loadIncidents(incidents.fileName()));
    const QString anyDevice = "2026-12-07 13:00:00 - 2026-12-07 14:00:00";

    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(loadsShown(shown, 1));
    QCOMPARE(drawnSamples(window), storedSamples(7, DeviceSamples::kGapNode));
    QCOMPARE(bands(window, "incidents"),
        QStringList({"2026-12-07 12:10:00 - 2026-12-07 12:40:00", anyDevice}));
    QCOMPARE(thresholdLine(window), QList<qreal>({50, 50}));
    // The node counts in report 12 as well: its report names it apart.
    QCOMPARE(loadChart(window)->chart()->title(), "CPU load of core-rtr-01 (CPU 7)");
    // Before 11:00 nothing is monitored; at three occurrences 12:00 fires, 13:00 comes one short.
    QCOMPARE(bands(window, "unmonitored"),
        QStringList({"2026-12-06 10:00:00 - 2026-12-06 11:00:00",
            "2026-12-07 00:00:00 - 2026-12-07 11:00:00"}));
    QCOMPARE(bands(window, "caught"), QStringList("2026-12-07 12:00:00 - 2026-12-07 13:00:00"));

    // The device table and the name filter select as well.
    QVERIFY(clickInDeviceTable(window, 12, DeviceSamples::kOtherReportNode));
    QVERIFY(loadsShown(shown, 2));
    QCOMPARE(drawnSamples(window), storedSamples(12, DeviceSamples::kOtherReportNode));
    QCOMPARE(bands(window, "incidents"), QStringList(anyDevice));
    auto *filter = window.findChild<QLineEdit *>("deviceFilter");
    filter->setText("core-rtr-02");
    QTest::keyClick(filter, Qt::Key_Return);
    QVERIFY(loadsShown(shown, 3));
    QCOMPARE(drawnSamples(window), storedSamples(7, DeviceSamples::kBusyNode));
    QCOMPARE(bands(window, "incidents"),
        QStringList({"2026-12-06 10:00:00 - 2026-12-06 10:30:00", anyDevice}));
    QCOMPARE(shown.count(), 3);
    QCOMPARE(loadQueries(fixture.server().loggedRequests()), 3);
}

// Another occurrences value or a threshold of the ladder redraws the marks and the line from the
// samples on screen.
void tst_ExplorerDeviceLoad::settingsRedrawWithoutQuery()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);
    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(loadsShown(shown, 1));
    const qsizetype requests = fixture.server().loggedRequests().size();

    window.findChild<QSpinBox *>("occurrences")->setValue(2);
    QCOMPARE(bands(window, "caught"), QStringList("2026-12-07 12:00:00 - 2026-12-07 14:00:00"));
    window.findChild<QSpinBox *>("threshold")->setValue(75);
    QVERIFY(!window.isRunning() && !window.isRequeryWaiting());
    QCOMPARE(thresholdLine(window), QList<qreal>({75, 75}));
    // 12:15 at 80 % and 13:10 at 90 %: one sample in each hour.
    QCOMPARE(bands(window, "caught"), QStringList());
    window.findChild<QSpinBox *>("occurrences")->setValue(1);
    QCOMPARE(bands(window, "caught"), QStringList("2026-12-07 12:00:00 - 2026-12-07 14:00:00"));
    // A threshold at which the device has no count at all keeps its samples on screen.
    window.findChild<QSpinBox *>("threshold")->setValue(95);
    QCOMPARE(thresholdLine(window), QList<qreal>({95, 95}));
    QCOMPARE(bands(window, "caught"), QStringList());
    QCOMPARE(drawnSamples(window), storedSamples(7, DeviceSamples::kGapNode));
    QCOMPARE(fixture.server().loggedRequests().size(), requests);
    QCOMPARE(shown.count(), 1);
}

void tst_ExplorerDeviceLoad::zoomShowsSinglePoints()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);
    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(loadsShown(shown, 1));
    DeviceLoadChartView *chart = loadChart(window);
    auto *samples = seriesNamed<QLineSeries>(window, "samples");
    QCOMPARE(timeSpanMs(window), 28 * kHourMs);
    QVERIFY(!samples->pointsVisible());

    turnWheel(chart->viewport(), 1);
    QCOMPARE(timeSpanMs(window), 14 * kHourMs);
    QVERIFY(samples->pointsVisible());
    turnWheel(chart->viewport(), 4);
    QVERIFY2(timeSpanMs(window) <= kHourMs, qPrintable(QString::number(timeSpanMs(window))));
    QVERIFY(samples->pointsVisible());

    QTest::mouseDClick(chart->viewport(), Qt::LeftButton, {}, chart->viewport()->rect().center());
    QCOMPARE(timeSpanMs(window), 28 * kHourMs);
    QVERIFY(!samples->pointsVisible());
}

// A device chosen while another one's query runs: that query is cancelled, and only the second
// device is drawn.
void tst_ExplorerDeviceLoad::secondDeviceReplacesRunningQuery()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);
    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kBusyNode));
    QVERIFY(loadsShown(shown, 1));
    const int loadRequest
        = requestNumber(fixture.server().loggedRequests(), QStringLiteral("ProcessorLoad FROM"));
    QVERIFY(loadRequest > 2);
    SampleServer::Options options;
    options.port = fixture.port();
    options.delayMs = 3000;
    options.delayFrom = loadRequest;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    shown.clear();
    QSignalSpy failed(&window, &ExplorerWindow::deviceLoadFailed);

    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    // The server logs a request once it answers it: here every one before the query.
    QTRY_VERIFY_WITH_TIMEOUT(fixture.server().loggedRequests().size() >= loadRequest - 1, 10000);
    QVERIFY(clickInHeatmap(window, 12, DeviceSamples::kOtherReportNode));
    QVERIFY(loadsShown(shown, 1));

    QCOMPARE(shown.count(), 1);
    QVERIFY(failed.isEmpty());
    QCOMPARE(drawnSamples(window), storedSamples(12, DeviceSamples::kOtherReportNode));
    QCOMPARE(loadChart(window)->load()->reportId, 12);
    // The server answered the second device's query only: the first one's never ran to its end.
    QCOMPARE(loadQueries(fixture.server().loggedRequests()), 1);
}

// A new result drops the query of the device of the one before; after it a device shows again.
void tst_ExplorerDeviceLoad::newSweepDropsRunningQuery()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);
    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kBusyNode));
    QVERIFY(loadsShown(shown, 1));
    const int loadRequest
        = requestNumber(fixture.server().loggedRequests(), QStringLiteral("ProcessorLoad FROM"));
    SampleServer::Options delayed;
    delayed.port = fixture.port();
    delayed.delayMs = kLongDelayMs;
    delayed.delayFrom = loadRequest;
    QVERIFY2(fixture.startServer(delayed), qPrintable(fixture.error));
    SampleServer::Options other;
    other.dataDir = fixture.dataDir();
    const auto second = SampleServer::started(other);
    QVERIFY(second);
    shown.clear();
    QSignalSpy failed(&window, &ExplorerWindow::deviceLoadFailed);

    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QTRY_VERIFY_WITH_TIMEOUT(fixture.server().loggedRequests().size() >= loadRequest - 1, 10000);
    window.applySettings(settingsFor(fixture, second->port()));
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QVERIFY(shown.isEmpty() && failed.isEmpty());
    QCOMPARE(loadStatus(window), "Select a device to see its CPU load.");
    QVERIFY(!loadChart(window)->load());

    // Its read waits on the same worker: it comes in time only because the dropped one ended.
    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(loadsShown(shown, 1));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(drawnSamples(window), storedSamples(7, DeviceSamples::kGapNode));
    QCOMPARE(loadQueries(second->loggedRequests()), 1);
    QCOMPARE(loadQueries(fixture.server().loggedRequests()), 0);
}

// The device query has a connection and a thread of its own: it answers while a sweep waits for
// the server.
void tst_ExplorerDeviceLoad::deviceShownWhileSweepRuns()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    SampleServer::Options stalled;
    stalled.dataDir = fixture.dataDir();
    stalled.delayMs = kLongDelayMs;
    stalled.delayFrom
        = requestNumber(fixture.server().loggedRequests(), QStringLiteral("DATEDIFF(hour"));
    QVERIFY(stalled.delayFrom > 2);
    const auto second = SampleServer::started(stalled);
    QVERIFY(second);
    window.applySettings(settingsFor(fixture, second->port()));
    window.run();
    QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith("Report 1 of 2"), 10000);
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);

    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(loadsShown(shown, 1));
    QVERIFY(window.isRunning());
    QCOMPARE(drawnSamples(window), storedSamples(7, DeviceSamples::kGapNode));

    QSignalSpy sweepFailed(&window, &ExplorerWindow::runFailed);
    window.cancel();
    QVERIFY(QTest::qWaitFor([&] { return !sweepFailed.isEmpty(); }, 10000));
}

void tst_ExplorerDeviceLoad::failureShownInPanel()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    // The report's table goes away after the sweep.
    QVERIFY(fixture.addDatabase("SNMPCONLINE", reportTableStatements()));
    QSignalSpy failed(&window, &ExplorerWindow::deviceLoadFailed);
    QSignalSpy shown(&window, &ExplorerWindow::deviceLoadShown);

    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(QTest::qWaitFor([&] { return !failed.isEmpty(); }, 30000));
    const QString description = failed.first().first().toString();
    QCOMPARE(description, "[FreeTDS][SQL Server]Invalid object name 'ATR_Report_7_RAW'.");
    QCOMPARE(loadStatus(window), description);
    QVERIFY(!messageBoxShown());
    QVERIFY(shown.isEmpty());

    // Selected again once the table is back, the device is read anew.
    QVERIFY(DeviceSamples::install(fixture, false));
    QVERIFY(clickInDeviceTable(window, 7, DeviceSamples::kBusyNode));
    QVERIFY(loadsShown(shown, 1));
    QVERIFY(clickInHeatmap(window, 7, DeviceSamples::kGapNode));
    QVERIFY(loadsShown(shown, 2));
    QCOMPARE(drawnSamples(window), storedSamples(7, DeviceSamples::kGapNode));
    QCOMPARE(failed.count(), 1);
}

QTEST_MAIN(tst_ExplorerDeviceLoad)
#include "tst_explorerdeviceload.moc"
