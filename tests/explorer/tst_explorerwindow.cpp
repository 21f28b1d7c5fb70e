#include "ExplorerRun.h"
#include "KerberosRealm.h"
#include "MarksInstallation.h"
#include "MonitoringFixture.h"
#include "TestCertificates.h"
#include "explorer/ExplorerSettingsStore.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/HeatmapView.h"
#include "explorer/NoiseView.h"
#include "explorer/TuningView.h"
#include "explorer/models/DeviceTableModel.h"
#include "explorer/models/HeatmapModel.h"
#include "explorer/models/TuningModel.h"
#include "options/ConnectionFailureText.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepGrid.h"

#include <QAction>
#include <QBuffer>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString kFrom = QStringLiteral("2026-12-05 14:00:00");
const QString kTo = QStringLiteral("2026-12-07 14:00:00");
// Far longer than any wait below, so that only a cancel can end a delayed query in time.
constexpr int kDelayMs = 20000;

bool generate(MonitoringFixture &fixture)
{
    return generateSampleData(fixture.dataDir(),
        {"--layout", "online", "--reports", "2", "--nodes", "8", "--hours", "50", "--seed", "5",
            "--end", "2026-12-07 14:30:00"},
        &fixture.error);
}

SweepChoice settingsFor(MonitoringFixture &fixture)
{
    SweepChoice settings;
    settings.connection.fields = fixture.host.connectionFields();
    settings.fixedRange = true;
    settings.from = kFrom;
    settings.to = kTo;
    settings.threshold = 40;
    settings.occurrences = 6;
    return settings;
}

// The sweep of settings through its own engine; nothing, with the reason, when it failed.
std::optional<SweepResult> engineSweep(const SweepChoice &settings, QString *failure)
{
    SweepEngine engine(*settings.sweep(QDateTime::currentDateTime(), failure));
    auto result = engine.sweep();
    if (!result)
        *failure = engine.lastError();
    return result;
}

QByteArray engineCsv(const SweepChoice &settings, qint16 occurrences)
{
    QString failure;
    SweepSettings sweep = *settings.sweep(QDateTime::currentDateTime(), &failure);
    const auto result = engineSweep(settings, &failure);
    if (!result)
        return "sweep failed: " + failure.toUtf8();
    sweep.occurrences = occurrences;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SweepCsv::write(buffer, *result, sweep);
    return buffer.data();
}

QByteArray exportedCsv(const ExplorerWindow &window)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sweep.csv");
    QString failure;
    if (!window.exportCsv(path, &failure))
        return "export failed: " + failure.toUtf8();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

const QAction *exportCsvAction(const ExplorerWindow &window)
{
    const auto actions = window.findChildren<QAction *>();
    const auto found = std::find_if(actions.cbegin(), actions.cend(),
        [](const QAction *action) { return action->text() == "&Export CSV..."; });
    return found == actions.cend() ? nullptr : *found;
}

// The number the server gives the first report's aggregate query on the one connection, counted as
// it counts for --delay-from: every message but an attention.
int aggregateRequestNumber(const QList<LoggedRequest> &logged)
{
    int number = 0;
    for (const LoggedRequest &request : logged) {
        if (request.kind == "DROP" || request.kind == "ATTENTION")
            continue;
        ++number;
        if (request.detail.contains("DATEDIFF(hour"))
            return number;
    }
    return 0;
}

// The window's first result from served sample data; false, with the reason, when there is none.
bool showFirstResult(MonitoringFixture &fixture, ExplorerWindow &window, QString *failure)
{
    if (!generate(fixture) || !fixture.startServer()) {
        *failure = fixture.error;
        return false;
    }
    window.applySettings(settingsFor(fixture));
    window.show();
    if (runToResult(window))
        return true;
    *failure = window.statusText();
    return false;
}

int aggregateQueries(const QList<LoggedRequest> &logged)
{
    return int(std::count_if(logged.cbegin(), logged.cend(),
        [](const LoggedRequest &request) { return request.detail.contains("DATEDIFF(hour"); }));
}

// The sum of the heatmap's counts and of the device table's hours caught.
QPair<qint64, qint64> shownTotals(const ExplorerWindow &window)
{
    QPair<qint64, qint64> totals {0, 0};
    const QAbstractItemModel *heatmap = window.findChild<HeatmapView *>()->model();
    for (int r = 0; r < heatmap->rowCount(); ++r) {
        for (int c = 0; c < heatmap->columnCount(); ++c)
            totals.first += heatmap->index(r, c).data(HeatmapModel::CountRole).toInt();
    }
    const QAbstractItemModel *devices = window.findChild<QTableView *>("devices")->model();
    for (int r = 0; r < devices->rowCount(); ++r)
        totals.second += devices->index(r, DeviceTableModel::HoursCaught)
                             .data(DeviceTableModel::SortRole)
                             .toInt();
    return totals;
}

// The same from a sweep of settings at occurrences of its own.
QPair<qint64, qint64> sweptTotals(const SweepChoice &settings, qint16 occurrences)
{
    QString failure;
    const auto result = engineSweep(settings, &failure);
    QPair<qint64, qint64> totals {-1, -1};
    if (!result)
        return totals;
    totals = {0, 0};
    for (const SweepRow &row : result->rows) {
        totals.first += row.count;
        totals.second += SweepResult::isCaught(row, occurrences) ? 1 : 0;
    }
    return totals;
}

// Shows the Tuning tab and clicks its cell of threshold and occurrences; false without one.
bool clickTuningCell(ExplorerWindow &window, int threshold, int occurrences)
{
    auto *tabs = window.findChild<QTabWidget *>("views");
    auto *tuning = window.findChild<TuningView *>();
    if (!tabs || !tuning)
        return false;
    tabs->setCurrentWidget(tuning->parentWidget());
    const QAbstractItemModel *model = tuning->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex cell = model->index(row, occurrences - 1);
        if (cell.data(TuningModel::ThresholdRole).toInt() != threshold)
            continue;
        tuning->scrollTo(cell);
        QTest::mouseClick(
            tuning->viewport(), Qt::LeftButton, {}, tuning->visualRect(cell).center());
        return true;
    }
    return false;
}

QString comparisonText(const ExplorerWindow &window)
{
    const auto *label = window.findChild<QLabel *>("comparison");
    return label ? label->text() : QString();
}

// The keys of the heatmap's legend, as read on screen.
QString legendKeys(const ExplorerWindow &window)
{
    const auto *label = window.findChild<QLabel *>("heatmapLegend");
    if (!label)
        return {};
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

// What the status line's time measured: "queried", "redrawn from memory", or the whole line when
// it names neither.
QString timedAs(const ExplorerWindow &window)
{
    static const QRegularExpression timing(
        QStringLiteral(", (queried|redrawn from memory) in [0-9.,]+ m?s\\."));
    const QRegularExpressionMatch match = timing.match(window.statusText());
    return match.hasMatch() ? match.captured(1) : window.statusText();
}

// Reports 7 and 12 share web01; node 4 is missing from ATR_Nodes; report 9 has no name.
QStringList namingInstallation()
{
    QStringList statements = reportTableStatements();
    statements << cpuReportRow("7", "'CPU Load Report A'", "300")
               << cpuReportRow("12", "'CPU Load Report B'", "300")
               << cpuReportRow("9", "NULL", "300") << nodesTableStatement()
               << nodeRow(101, "web01", "192.0.2.1", "public")
               << nodeRow(102, "db01", "192.0.2.2", "public")
               << nodeRow(103, "edge01", "192.0.2.3", "public");
    const QList<std::tuple<int, int, QString, int>> samples {
        {7, 101, "2026-12-07 13:05:00", 80},
        {7, 101, "2026-12-07 13:10:00", 90},
        {7, 4, "2026-12-07 13:20:00", 70},
        {7, 4, "2026-12-07 13:25:00", 75},
        {12, 101, "2026-12-07 12:30:00", 60},
        {12, 102, "2026-12-07 14:10:00", 55},
        {9, 103, "2026-12-07 14:15:00", 99},
    };
    for (const int report : {7, 9, 12})
        statements << sampleTableStatement(QString("ATR_Report_%1_RAW").arg(report));
    for (const auto &[report, node, time, load] : samples) {
        statements << QString("INSERT INTO ATR_Report_%1_RAW VALUES (%2, '%3', %4)")
                          .arg(report)
                          .arg(node)
                          .arg(time)
                          .arg(load);
    }
    return statements;
}

QStringList headerTexts(const QAbstractItemModel &model, int role)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.headerData(r, Qt::Vertical, role).toString();
    texts.sort();
    return texts;
}

QStringList columnTexts(const QAbstractItemModel &model, int column, int role)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.index(r, column).data(role).toString();
    texts.sort();
    return texts;
}

// The pixels of a heatmap cell, as painted, that have exactly the colour given.
int cellPixelsOf(HeatmapView &heatmap, const QModelIndex &cell, const QColor &colour)
{
    heatmap.scrollTo(cell);
    const QImage picture = heatmap.viewport()->grab().toImage();
    const QRect rect = heatmap.visualRect(cell) & picture.rect();
    int found = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            found += picture.pixelColor(x, y).rgb() == colour.rgb() ? 1 : 0;
    }
    return found;
}

// The heatmap's row of a report's node; -1 without one.
int heatmapRow(const HeatmapModel &model, int reportId, int nodeId)
{
    for (int r = 0; r < model.rowCount(); ++r) {
        const int device = model.deviceAt(r);
        if (model.grid()->reportId(device) == reportId
            && model.grid()->device(device).nodeId == nodeId)
            return r;
    }
    return -1;
}

// Per device of the device table its near misses and blind hours.
MarksInstallation::Marks tableMarks(const ExplorerWindow &window)
{
    MarksInstallation::Marks marks;
    const QAbstractItemModel *table = window.findChild<QTableView *>("devices")->model();
    const SweepGrid *grid = window.shownGrid();
    for (int r = 0; r < table->rowCount(); ++r) {
        const int device = table->index(r, 0).data(DeviceTableModel::DeviceRole).toInt();
        const auto number = [&](int column) {
            return table->index(r, column).data(DeviceTableModel::SortRole).toInt();
        };
        marks[{grid->reportId(device), grid->device(device).nodeId}]
            = {number(DeviceTableModel::NearMisses), number(DeviceTableModel::BlindHours)};
    }
    return marks;
}

// Over the marks installation at 50 %: core-rtr-01 (node 101, in reports 7 and 12) named in
// another case, any device at 12:00, edge-sw-02 by its address, and a device that is none.
const QByteArray kMarksIncidents
    = "start,end,device,note\n"
      "2026-12-07 13:00:00,2026-12-07 13:30:00,CORE-RTR-01,\"core router, slow\"\n"
      "2026-12-07 12:00:00,2026-12-07 12:20:00,,blip\n"
      "2026-12-07 11:00:00,2026-12-07 11:45:00,192.0.2.2,edge switch\n"
      "2026-12-07 14:00:00,2026-12-07 15:00:00,nosuch-01,\n";

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? file.fileName()
                                                                              : QString();
}

// The tuning cell of threshold and occurrences.
QModelIndex tuningIndex(const ExplorerWindow &window, int threshold, int occurrences)
{
    const QAbstractItemModel *model = window.findChild<TuningView *>()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex cell = model->index(row, occurrences - 1);
        if (cell.data(TuningModel::ThresholdRole).toInt() == threshold)
            return cell;
    }
    return {};
}

QString labelText(const ExplorerWindow &window, const char *name)
{
    const auto *label = window.findChild<QLabel *>(name);
    return label ? label->text() : QStringLiteral("<no label %1>").arg(name);
}

QImage heatmapPicture(ExplorerWindow &window)
{
    auto *heatmap = window.findChild<HeatmapView *>();
    return heatmap ? heatmap->grab().toImage() : QImage();
}

// The marks installation's range, monitoring time and threshold, at 3 occurrences.
SweepChoice marksChoice(const MonitoringFixture &fixture)
{
    namespace marks = MarksInstallation;
    SweepChoice settings;
    settings.connection.fields = fixture.host.connectionFields();
    settings.fixedRange = true;
    settings.from = marks::kFrom;
    settings.to = marks::kTo;
    settings.monStartHour = marks::kMonitoringStart;
    settings.monStopHour = marks::kMonitoringStop;
    settings.threshold = marks::kThreshold;
    settings.occurrences = 3;
    return settings;
}

} // namespace

class tst_ExplorerWindow : public QObject
{
    Q_OBJECT

private slots:
    void resultEqualsSweepCsv();
    void thresholdChangesQueryOnceSettled();
    void chartExports_data();
    void chartExports();
    void cancelEndsDelayedQuery();
    void failureShownAndRecovered();
    void windowsAuthenticationShowsTheSqlLoginsResult();
    void monitoringPastMidnightRefused();
    void ladderThresholdsRedrawWithoutQuery();
    void tuningCellChoosesSetting();
    void baselineComparedAcrossRedrawsAndSweeps();
    void budgetRemembered();
    void panelsRemembered_data();
    void panelsRemembered();
    void settingsFileOfEarlierExplorerOpens();
    void encryptionChosenInConnectionGroup();
    void devicesNamedWithTheirReports();
    void nearMissesAndBlindHoursMarked();
    void rangeWithoutSamplesDrawsNoSurface();
    void incidentsFileLoaded_data();
    void incidentsFileLoaded();
    void incidentsScoredOnResult();
    void holdOutScoredUnderTheTable();
};

void tst_ExplorerWindow::resultEqualsSweepCsv()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    const SweepChoice settings = settingsFor(fixture);
    QVERIFY(window.shownGrid());
    QVERIFY(window.shownGrid()->deviceCount() > 0);
    const QByteArray expected = engineCsv(settings, 6);
    QVERIFY(
        expected.startsWith("hour,report_id,node_id,node_name,address,count,caught,samples\r\n"));
    QVERIFY(expected.contains(",true,"));
    QCOMPARE(exportedCsv(window), expected);
    QVERIFY(exportCsvAction(window) && exportCsvAction(window)->isEnabled());
    QCOMPARE(timedAs(window), "queried");
    // Connected, the connection is one line that names where; its button brings the fields back.
    auto *server = window.findChild<QLineEdit *>("server");
    auto *line = window.findChild<QLabel *>("connectionLine");
    QVERIFY(server && line);
    QVERIFY(!server->isVisible() && line->isVisible());
    QCOMPARE(line->text(),
        settings.connection.fields.SqlDbServer + u',' + settings.connection.fields.SqlDbPort + " / "
            + settings.connection.fields.SqlDatabase);
    window.findChild<QPushButton *>("changeConnection")->click();
    QVERIFY(server->isVisible() && !line->isVisible());

    // Another occurrences value is answered from the result on screen.
    const qsizetype requests = fixture.server().loggedRequests().size();
    const SweepGrid *grid = window.shownGrid();
    auto *occurrences = window.findChild<QSpinBox *>("occurrences");
    QVERIFY(occurrences);
    const QImage marksAtSix = heatmapPicture(window);
    QVERIFY(!marksAtSix.isNull());
    occurrences->setValue(2);
    // No sweep runs or waits to run, so none can come later.
    QVERIFY(!window.isRunning());
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(window.shownGrid(), grid);
    QCOMPARE(fixture.server().loggedRequests().size(), requests);
    QCOMPARE(exportedCsv(window), engineCsv(settings, 2));
    QCOMPARE(timedAs(window), "redrawn from memory");
    // The heatmap marks other cells as caught, and the same again once the value is back.
    QVERIFY(heatmapPicture(window) != marksAtSix);
    occurrences->setValue(6);
    QCOMPARE(heatmapPicture(window), marksAtSix);
}

// Changes in quick succession end in one sweep, of the last value, once the user has stopped.
void tst_ExplorerWindow::thresholdChangesQueryOnceSettled()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    SweepChoice settings = settingsFor(fixture);
    const SweepGrid *first = window.shownGrid();
    const int before = aggregateQueries(fixture.server().loggedRequests());
    QCOMPARE(before, 2);

    QSignalSpy shown(&window, &ExplorerWindow::resultShown);
    auto *threshold = window.findChild<QSpinBox *>("threshold");
    QVERIFY(threshold);
    // Thresholds off the ladder of the result on screen.
    for (const int value : {43, 47, 52}) {
        threshold->setValue(value);
        QVERIFY(window.isRequeryWaiting());
    }
    QVERIFY(!window.isRunning());
    QVERIFY(shown.wait(60000));
    // The result's sweep was the last one: nothing runs or waits to run after it.
    QVERIFY(!window.isRunning());
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(shown.count(), 1);
    QList<LoggedRequest> aggregates = fixture.server().loggedRequests();
    aggregates.removeIf(
        [](const LoggedRequest &request) { return !request.detail.contains("DATEDIFF(hour"); });
    QCOMPARE(aggregates.size() - before, 2);
    // Each report's requery counts the new threshold alone: the ladder on screen has the rest.
    QCOMPARE(aggregates.at(before).detail.count("SUM(CASE"), 1);
    QCOMPARE(aggregates.at(before + 1).detail.count("SUM(CASE"), 1);
    QVERIFY(window.shownGrid() != first);
    settings.threshold = 52;
    QCOMPARE(exportedCsv(window), engineCsv(settings, 6));
    // Started by a change of the threshold box, and still a query.
    QCOMPARE(timedAs(window), "queried");
    // The ladder on screen kept its other thresholds.
    threshold->setValue(60);
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(timedAs(window), "redrawn from memory");
    settings.threshold = 60;
    QCOMPARE(exportedCsv(window), engineCsv(settings, 6));
}

void tst_ExplorerWindow::chartExports_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("written");

    QTest::newRow("png") << "chart.png" << true;
    QTest::newRow("svg") << "chart.svg" << true;
    QTest::newRow("missing folder") << "missing/chart.png" << false;
}

void tst_ExplorerWindow::chartExports()
{
    QFETCH(QString, name);
    QFETCH(bool, written);
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QTemporaryDir dir;
    const QString path = dir.filePath(name);

    QCOMPARE(window.exportChart(path, &failure), written);

    if (!written) {
        QVERIFY2(failure.contains(path), qPrintable(failure));
        QVERIFY(!QFile::exists(path));
    } else if (name.endsWith(".svg")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        QVERIFY(svg.contains("<svg") && svg.contains("</svg>"));
    } else {
        const QImage image(path);
        QVERIFY(image.width() >= 200 && image.height() >= 100);
        // A chart, not a blank picture: its line and axes differ from the background.
        const QRgb background = image.pixel(0, 0);
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; y += 2) {
            for (int x = 0; x < image.width() && !drawn; x += 2)
                drawn = image.pixel(x, y) != background;
        }
        QVERIFY(drawn);
    }
}

void tst_ExplorerWindow::cancelEndsDelayedQuery()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    const SweepGrid *shown = window.shownGrid();
    const int aggregate = aggregateRequestNumber(fixture.server().loggedRequests());
    QVERIFY(aggregate > 0);

    SampleServer::Options options;
    options.port = fixture.port();
    options.delayMs = kDelayMs;
    options.delayFrom = aggregate;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    window.run();
    // From here on the worker sends the delayed aggregate query or waits for its answer: the
    // cancel must end either at once.
    QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith("Report 1 of 2"), 10000);
    QVERIFY(window.isRunning());
    QElapsedTimer clock;
    clock.start();
    window.cancel();
    QVERIFY(QTest::qWaitFor([&] { return !failed.isEmpty(); }, kDelayMs / 4));
    qInfo("cancel took %lld ms", clock.elapsed());
    QVERIFY(!window.isRunning());
    QCOMPARE(window.shownGrid(), shown);
    QVERIFY2(window.statusText().startsWith("Cancelled."), qPrintable(window.statusText()));
}

void tst_ExplorerWindow::failureShownAndRecovered()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    SweepChoice settings = settingsFor(fixture);
    const SweepGrid *shown = window.shownGrid();
    const QByteArray csv = exportedCsv(window);

    SweepChoice refused = settings;
    refused.connection.fields.SqlDbPass = "wrong";
    window.applySettings(refused);
    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    QVERIFY(!runToResult(window));
    QCOMPARE(failed.count(), 1);
    const QString description = failed.first().first().toString();
    QVERIFY2(description.contains("Login failed for user 'sa'."), qPrintable(description));
    // What was tried comes first, unlike in the tester's window.
    QVERIFY2(description.startsWith(
                 ConnectionFailureText::describe(refused.connection.fields, QString())),
        qPrintable(description));
    QVERIFY2(window.statusText().startsWith(description), qPrintable(window.statusText()));
    QCOMPARE(window.shownGrid(), shown);
    QCOMPARE(exportedCsv(window), csv);

    window.applySettings(settings);
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QVERIFY(window.shownGrid() != shown);
    QCOMPARE(exportedCsv(window), csv);
}

// With a Kerberos ticket from a throwaway realm; first without the service principal that FreeTDS
// asks for, which the failure names.
void tst_ExplorerWindow::windowsAuthenticationShowsTheSqlLoginsResult()
{
    const QString unavailable = KerberosRealm::unavailableReason();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable("no Kerberos realm here: " + unavailable));
    KerberosRealm realm;
    QString error;
    QVERIFY2(realm.start(&error), qPrintable(error));
    QVERIFY2(realm.obtainTicket(KerberosRealm::kUser, &error), qPrintable(error));
    MonitoringFixture fixture;
    SampleServer::Options options;
    options.kerberosKeytab = realm.keytab();
    options.windowsLogins = {realm.principal(KerberosRealm::kUser)};
    QVERIFY2(generate(fixture) && fixture.startServer(options), qPrintable(fixture.error));
    SweepChoice settings = settingsFor(fixture);
    const QByteArray sqlLogins = engineCsv(settings, 6);
    const QString service = "MSSQLSvc/localhost:" + QString::number(fixture.port());
    settings.connection.fields.SqlConnType = "Windows Authentication";
    settings.connection.fields.SqlDbServer = "localhost," + QString::number(fixture.port());
    ExplorerWindow window;
    window.applySettings(settings);
    window.show();

    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    QVERIFY(!runToResult(window));
    QCOMPARE(failed.count(), 1);
    const QString description = failed.first().first().toString();
    QVERIFY2(
        description.contains("Server " + service + "@TOVIK.TEST not found in Kerberos database"),
        qPrintable(description));

    QVERIFY2(realm.addService(service, &error), qPrintable(error));
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QCOMPARE(exportedCsv(window), sqlLogins);
    QVERIFY(fixture.server().logText().contains("SSPI principal=alice@TOVIK.TEST\n"));
}

// A start at or after the stop is refused beside the boxes, and neither a change nor Run queries.
void tst_ExplorerWindow::monitoringPastMidnightRefused()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    const SweepGrid *shown = window.shownGrid();
    auto *refusal = window.findChild<QLabel *>("monitoringRefusal");
    QVERIFY(refusal);
    QVERIFY(refusal->isHidden());
    const qsizetype requests = fixture.server().loggedRequests().size();

    window.findChild<QSpinBox *>("monitoringStart")->setValue(22);
    window.findChild<QSpinBox *>("monitoringStop")->setValue(6);
    const QString sentence = "the monitoring time 22:00 to 06:00 monitors no hour: it does not "
                             "wrap past midnight, so its start must come before its stop";
    QVERIFY(!refusal->isHidden());
    QCOMPARE(refusal->text(), sentence);
    window.run();
    QVERIFY(!window.isRunning());
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(window.statusText(), sentence);
    QCOMPARE(window.shownGrid(), shown);
    QCOMPARE(fixture.server().loggedRequests().size(), requests);

    window.findChild<QSpinBox *>("monitoringStop")->setValue(24);
    QVERIFY(refusal->isHidden());
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QCOMPARE(window.shownSettings().monStartHour, qint16(22));
}

// Thresholds of the ladder, by arrow or typed, are answered from the result on screen, equal to a
// sweep at each.
void tst_ExplorerWindow::ladderThresholdsRedrawWithoutQuery()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    SweepChoice settings = settingsFor(fixture);
    auto *threshold = window.findChild<QSpinBox *>("threshold");
    QVERIFY(threshold);
    const qsizetype stepped = fixture.server().loggedRequests().size();

    threshold->stepBy(1);
    QCOMPARE(threshold->value(), 45);
    threshold->stepBy(-2);
    QCOMPARE(threshold->value(), 35);
    QCOMPARE(fixture.server().loggedRequests().size(), stepped);
    for (const int value : {30, 60, 5}) {
        // The sweeps compared with below are on connections of their own: counted before them.
        const qsizetype requests = fixture.server().loggedRequests().size();
        threshold->setValue(value);
        QVERIFY(!window.isRunning());
        QVERIFY(!window.isRequeryWaiting());
        QCOMPARE(fixture.server().loggedRequests().size(), requests);
        QCOMPARE(window.shownSettings().threshold, value);
        QCOMPARE(timedAs(window), "redrawn from memory");
        settings.threshold = qint16(value);
        QCOMPARE(exportedCsv(window), engineCsv(settings, 6));
        const auto totals = shownTotals(window);
        QVERIFY(totals.first > 0);
        QCOMPARE(totals, sweptTotals(settings, 6));
    }
}

void tst_ExplorerWindow::tuningCellChoosesSetting()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    SweepChoice settings = settingsFor(fixture);
    const qsizetype requests = fixture.server().loggedRequests().size();

    QVERIFY(clickTuningCell(window, 70, 2));

    QCOMPARE(window.findChild<QSpinBox *>("threshold")->value(), 70);
    QCOMPARE(window.findChild<QSpinBox *>("occurrences")->value(), 2);
    QVERIFY(!window.isRunning());
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(fixture.server().loggedRequests().size(), requests);
    settings.threshold = 70;
    QCOMPARE(exportedCsv(window), engineCsv(settings, 2));
    const auto *model = window.findChild<TuningView *>()->model();
    int framed = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex cell = model->index(row, column);
            if (cell.data(TuningModel::CurrentRole).toBool()) {
                ++framed;
                QCOMPARE(cell.data(TuningModel::ThresholdRole).toInt(), 70);
                QCOMPARE(cell.data(TuningModel::OccurrencesRole).toInt(), 2);
            }
        }
    }
    QCOMPARE(framed, 1);
}

// The baseline is compared along the ladder without a query; a sweep whose ladder lacks its
// threshold says so, and one that has it compares again.
void tst_ExplorerWindow::baselineComparedAcrossRedrawsAndSweeps()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    QCOMPARE(comparisonText(window), "No baseline kept.");
    const QString legend = legendKeys(window);
    QVERIFY2(legend.contains("caught (framed, bold)"), qPrintable(legend));
    QVERIFY2(!legend.contains("baseline"), qPrintable(legend));
    auto *keep = window.findChild<QPushButton *>("keepBaseline");
    QVERIFY(keep && keep->isEnabled());
    QTest::mouseClick(keep, Qt::LeftButton);
    QCOMPARE(
        comparisonText(window), "no alarm gained, no alarm lost, against 40 % and 6 occurrences");
    const QString baselineLegend = legendKeys(window);
    QVERIFY2(baselineLegend.startsWith(legend), qPrintable(baselineLegend));
    QVERIFY2(baselineLegend.contains("caught, not by the baseline")
            && baselineLegend.contains("caught by the baseline only"),
        qPrintable(baselineLegend));

    auto *threshold = window.findChild<QSpinBox *>("threshold");
    threshold->setValue(60);
    const QString against60 = comparisonText(window);
    static const QRegularExpression lost(
        QStringLiteral("^no alarm gained, [0-9,]+ alarms? lost on [0-9,]+ devices?, against"));
    QVERIFY2(lost.match(against60).hasMatch(), qPrintable(against60));
    const QAbstractItemModel *heatmap = window.findChild<HeatmapView *>()->model();
    bool lostMarked = false;
    for (int r = 0; r < heatmap->rowCount() && !lostMarked; ++r) {
        for (int c = 0; c < heatmap->columnCount() && !lostMarked; ++c) {
            lostMarked = heatmap->index(r, c).data(HeatmapModel::ChangeRole).toInt()
                == int(BaselineComparison::Change::Lost);
        }
    }
    QVERIFY(lostMarked);

    // A threshold off the ladder joins the ladder on screen: 43, then 44 beside it.
    QSignalSpy shown(&window, &ExplorerWindow::resultShown);
    threshold->setValue(43);
    window.run();
    QVERIFY(shown.wait(60000));
    QVERIFY2(comparisonText(window).endsWith(", against 40 % and 6 occurrences"),
        qPrintable(comparisonText(window)));

    QTest::mouseClick(keep, Qt::LeftButton);
    threshold->setValue(44);
    window.run();
    QVERIFY(shown.wait(60000));
    QVERIFY2(comparisonText(window).endsWith("against 43 % and 6 occurrences"),
        qPrintable(comparisonText(window)));

    // Another monitoring time reads the ladder anew, without the baseline's threshold.
    window.findChild<QSpinBox *>("monitoringStop")->setValue(23);
    window.run();
    QVERIFY(shown.wait(60000));
    QCOMPARE(comparisonText(window),
        "No comparison against 43 % and 6 occurrences: this result does not count that "
        "threshold.");
}

void tst_ExplorerWindow::budgetRemembered()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("explorer.conf");
    {
        ExplorerWindow window(path);
        auto *budget = window.findChild<QDoubleSpinBox *>("budget");
        QVERIFY(budget);
        QCOMPARE(budget->value(), TuningModel::kDefaultBudget);
        budget->setValue(3.5);
        QVERIFY(window.close());
    }
    ExplorerWindow reopened(path);
    QCOMPARE(reopened.findChild<QDoubleSpinBox *>("budget")->value(), 3.5);
}

void tst_ExplorerWindow::panelsRemembered_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("floating");
    QTest::addColumn<Qt::DockWidgetArea>("area");

    QTest::newRow("settings on the right")
        << "settingsPanel" << false << false << Qt::RightDockWidgetArea;
    QTest::newRow("devices hidden") << "devicesPanel" << true << false << Qt::BottomDockWidgetArea;
    QTest::newRow("caught per hour floated")
        << "caughtPanel" << false << true << Qt::BottomDockWidgetArea;
}

// The panels open where the user left them, from the settings file and nothing else.
void tst_ExplorerWindow::panelsRemembered()
{
    QFETCH(QString, panel);
    QFETCH(bool, hidden);
    QFETCH(bool, floating);
    QFETCH(Qt::DockWidgetArea, area);

    QTemporaryDir dir;
    const QString path = dir.filePath("explorer.conf");
    {
        ExplorerWindow window(path);
        window.show();
        auto *dock = window.findChild<QDockWidget *>(panel);
        QVERIFY(dock);
        const QList<QAction *> viewActions = window.findChild<QMenu *>("viewMenu")->actions();
        QVERIFY(viewActions.contains(dock->toggleViewAction()));
        if (hidden)
            dock->toggleViewAction()->trigger();
        window.addDockWidget(area, dock);
        dock->setFloating(floating);
        QVERIFY(window.close());
    }
    ExplorerWindow reopened(path);
    reopened.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reopened));
    const auto *dock = reopened.findChild<QDockWidget *>(panel);
    QCOMPARE(dock->isHidden(), hidden);
    QCOMPARE(dock->isFloating(), floating);
    QCOMPARE(reopened.dockWidgetArea(const_cast<QDockWidget *>(dock)), area);
    // The other panels where they open by default.
    for (const char *other : {"settingsPanel", "devicesPanel", "caughtPanel"}) {
        if (panel == QLatin1String(other))
            continue;
        const auto *untouched = reopened.findChild<QDockWidget *>(other);
        QVERIFY2(!untouched->isHidden() && !untouched->isFloating(), other);
    }
}

// A file the explorer wrote before its panels could move: its settings and budget are read and
// the panels take their default places.
void tst_ExplorerWindow::settingsFileOfEarlierExplorerOpens()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("explorer.conf");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[connection]\nauth=remote\nserver=db7\nport=1533\ndatabase=MPCOnline\nuser=tester\n"
               "loginTimeout=20\nencrypt=mandatory\ntrustServerCertificate=false\n"
               "caFile=/etc/ca.pem\nhostNameInCertificate=db7.lan\n\n"
               "[range]\nlastHours=24\nfixed=true\nfrom=2026-01-01 00:00:00\n"
               "to=2026-01-03 00:00:00\n\n"
               "[alarm]\nmonitoringStart=6\nmonitoringStop=20\nthreshold=60\noccurrences=4\n\n"
               "[tuning]\nbudget=2.5\n");
    file.close();
    const QSettings store(path, QSettings::IniFormat);
    const SweepChoice stored = ExplorerSettingsStore::load(store);

    ExplorerWindow window(path);
    window.applySettings(stored);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const SweepChoice shown = window.settings();
    QCOMPARE(shown.connection.fields.SqlConnType, "Remote SQL Authentication");
    QCOMPARE(shown.connection.fields.SqlDbServer, "db7");
    QCOMPARE(shown.connection.fields.SqlDbPort, "1533");
    QCOMPARE(shown.connection.fields.SqlDatabase, "MPCOnline");
    QCOMPARE(shown.connection.loginTimeoutSeconds, 20);
    QCOMPARE(shown.connection.security, stored.connection.security);
    QCOMPARE(shown.connection.security.encryption, EncryptionMode::Mandatory);
    QVERIFY(shown.fixedRange);
    QCOMPARE(shown.from, "2026-01-01 00:00:00");
    QCOMPARE(shown.monStartHour, qint16(6));
    QCOMPARE(shown.monStopHour, qint16(20));
    QCOMPARE(shown.threshold, qint16(60));
    QCOMPARE(shown.occurrences, qint16(4));
    QCOMPARE(window.findChild<QDoubleSpinBox *>("budget")->value(), 2.5);
    QCOMPARE(window.dockWidgetArea(window.findChild<QDockWidget *>("settingsPanel")),
        Qt::LeftDockWidgetArea);
    QCOMPARE(window.dockWidgetArea(window.findChild<QDockWidget *>("devicesPanel")),
        Qt::BottomDockWidgetArea);
    QVERIFY(window.findChild<QDockWidget *>("devicesPanel")->isVisible());

    // Written again, the file keeps its keys and their plain values beside the arrangement.
    QVERIFY(window.close());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char *line :
        {"auth=remote\n", "port=1533\n", "loginTimeout=20\n", "encrypt=mandatory\n", "fixed=true\n",
            "from=2026-01-01 00:00:00\n", "monitoringStart=6\n", "threshold=60\n",
            "occurrences=4\n", "budget=2.5\n", "[window]\nstate=@ByteArray("})
        QVERIFY2(text.contains(line), qPrintable(QString::fromUtf8(text)));
}

// The Connection group's encryption controls reach the sweep: checked against the right CA the
// result is the unencrypted one; against another CA the error line names what was tried.
void tst_ExplorerWindow::encryptionChosenInConnectionGroup()
{
    TestCertificates certificates;
    QString failure;
    if (!certificates.create(&failure))
        QSKIP(qPrintable("no test certificates: " + failure));
    MonitoringFixture fixture;
    SampleServer::Options options;
    options.certificate = certificates.serverCertificate();
    options.key = certificates.serverKey();
    options.forceEncryption = true;
    QVERIFY2(generate(fixture) && fixture.startServer(options), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(settingsFor(fixture));
    window.show();
    auto *encryption = window.findChild<QComboBox *>("encryption");
    auto *caFile = window.findChild<QLineEdit *>("caFile");
    auto *trust = window.findChild<QCheckBox *>("trustServerCertificate");
    QVERIFY(
        encryption && caFile && trust && window.findChild<QLineEdit *>("hostNameInCertificate"));
    QCOMPARE(encryption->currentText(), "Optional");
    encryption->setCurrentIndex(encryption->findText("Mandatory"));
    caFile->setText(certificates.caCertificate());

    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QCOMPARE(window.settings().connection.security.encryption, EncryptionMode::Mandatory);
    QCOMPARE(exportedCsv(window), engineCsv(settingsFor(fixture), 6));
    const QList<LoggedRequest> logged = fixture.server().loggedRequests();
    QVERIFY(std::all_of(logged.cbegin(), logged.cend(), [](const LoggedRequest &request) {
        return request.kind != "PRELOGIN" || request.detail.endsWith("encryption=full");
    }));

    caFile->setText(certificates.otherCaCertificate());
    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    QVERIFY(!runToResult(window));
    QCOMPARE(failed.count(), 1);
    const QString description = failed.first().first().toString();
    QVERIFY2(
        description.startsWith(ConnectionFailureText::describe(
            window.settings().connection.fields, QString(), window.settings().connection.security))
            && description.contains("FreeTDS"),
        qPrintable(description));
    // The cause as the check says it, found by the explorer itself.
    QVERIFY2(description.contains(": the server's certificate is not signed by the certificate "
                                  "authorities in "
                 + certificates.otherCaCertificate() + "; its issuer is CN=Tovik Test CA ("),
        qPrintable(description));
    QVERIFY2(window.statusText().startsWith(description), qPrintable(window.statusText()));
}

// A node missing from ATR_Nodes reads "node 4" and a node of two reports carries each report's
// name, in the heatmap, the table, the tips and the device chart; the csv stays as it was.
void tst_ExplorerWindow::devicesNamedWithTheirReports()
{
    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", namingInstallation()) && fixture.startServer(),
        qPrintable(fixture.error));
    ExplorerWindow window;
    SweepChoice settings = settingsFor(fixture);
    settings.from = "2026-12-07 12:00:00";
    settings.to = "2026-12-07 15:00:00";
    settings.threshold = 50;
    settings.occurrences = 2;
    window.applySettings(settings);
    window.show();
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QCOMPARE(window.shownGrid()->result().reportIds, QList<qint32>({7, 9, 12}));
    QCOMPARE(window.shownGrid()->result().reportNames,
        QStringList({"CPU Load Report A", "", "CPU Load Report B"}));

    const QStringList names {
        "db01", "edge01", "node 4", "web01 (CPU Load Report A)", "web01 (CPU Load Report B)"};
    const QAbstractItemModel *heatmap = window.findChild<HeatmapView *>()->model();
    QCOMPARE(headerTexts(*heatmap, Qt::DisplayRole), names);
    QCOMPARE(headerTexts(*heatmap, Qt::ToolTipRole),
        QStringList({"db01 (CPU Load Report B)", "edge01 (report 9)", "node 4 (CPU Load Report A)",
            "web01 (CPU Load Report A)", "web01 (CPU Load Report B)"}));
    auto *table = window.findChild<QTableView *>("devices");
    const QAbstractItemModel *devices = table->model();
    QCOMPARE(columnTexts(*devices, DeviceTableModel::Name, Qt::DisplayRole), names);
    QCOMPARE(columnTexts(*devices, DeviceTableModel::Report, Qt::DisplayRole),
        QStringList({"CPU Load Report A", "CPU Load Report A", "CPU Load Report B",
            "CPU Load Report B", "report 9"}));
    QCOMPARE(columnTexts(*devices, DeviceTableModel::Report, Qt::ToolTipRole),
        QStringList({"Report id 12", "Report id 12", "Report id 7", "Report id 7", "Report id 9"}));

    int nodeFour = 0;
    while (nodeFour < devices->rowCount()
        && devices->index(nodeFour, DeviceTableModel::Name).data() != "node 4")
        ++nodeFour;
    QVERIFY(nodeFour < devices->rowCount());
    table->setCurrentIndex(devices->index(nodeFour, DeviceTableModel::Name));
    const auto *chart = window.findChild<QChartView *>("deviceChart");
    QVERIFY(chart);
    QCOMPARE(chart->chart()->title(), "Counts of node 4 (CPU Load Report A)");
    const int device = devices->index(nodeFour, 0).data(DeviceTableModel::DeviceRole).toInt();
    int row = 0;
    while (row < heatmap->rowCount()
        && heatmap->index(row, 0).data(HeatmapModel::DeviceRole) != device)
        ++row;
    QVERIFY(row < heatmap->rowCount());
    const QString tip = heatmap->index(row, 1).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.startsWith("node 4 (CPU Load Report A), ") && tip.endsWith(", caught"),
        qPrintable(tip));

    // The csv keeps ATR_Nodes' blank name and the report's id.
    const QByteArray csv = exportedCsv(window);
    QVERIFY2(csv.contains(",7,4,,,2,true,2\r\n"), csv.constData());
    QCOMPARE(csv, engineCsv(settings, 2));
}

// Hand-made samples with a polling gap and near misses: the heatmap marks each kind of hour apart,
// the device table counts them and the status line counts the blind device-hours, also after the
// occurrences change without a query.
void tst_ExplorerWindow::nearMissesAndBlindHoursMarked()
{
    namespace marks = MarksInstallation;
    MonitoringFixture fixture;
    QVERIFY2(marks::install(fixture, false) && fixture.startServer(), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(marksChoice(fixture));
    window.show();
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));

    QVERIFY2(window.statusText().contains("9 blind hours"), qPrintable(window.statusText()));
    QCOMPARE(tableMarks(window), marks::handCount(3));

    auto *heatmap = window.findChild<HeatmapView *>();
    const auto *model = qobject_cast<const HeatmapModel *>(heatmap->model());
    QVERIFY(model);
    const int row = heatmapRow(*model, 7, 101);
    QVERIFY(row >= 0);
    // 11:00 one sample short, 12:00 without a sample, 13:00 caught, 14:00 two samples of two.
    const QModelIndex nearMiss = model->index(row, 1);
    const QModelIndex gap = model->index(row, 2);
    const QModelIndex caught = model->index(row, 3);
    const QModelIndex tooFew = model->index(row, 4);
    QVERIFY(nearMiss.data(HeatmapModel::NearMissRole).toBool());
    QVERIFY(!nearMiss.data(HeatmapModel::BlindRole).toBool());
    QVERIFY2(nearMiss.data(Qt::ToolTipRole).toString().contains("one sample short"),
        qPrintable(nearMiss.data(Qt::ToolTipRole).toString()));
    for (const QModelIndex &blind : {gap, tooFew}) {
        QVERIFY(blind.data(HeatmapModel::BlindRole).toBool());
        QVERIFY(!blind.data(HeatmapModel::NearMissRole).toBool());
        QVERIFY2(blind.data(Qt::ToolTipRole).toString().contains("too few samples"),
            qPrintable(blind.data(Qt::ToolTipRole).toString()));
    }
    QCOMPARE(tooFew.data(HeatmapModel::SamplesRole).toInt(), 2);
    QVERIFY(caught.data(HeatmapModel::CaughtRole).toBool());
    QVERIFY(!caught.data(HeatmapModel::NearMissRole).toBool());
    QVERIFY(!caught.data(HeatmapModel::BlindRole).toBool());

    // As painted: the near miss outlined, the blind hours hatched, the caught hour neither.
    QVERIFY(cellPixelsOf(*heatmap, nearMiss, HeatmapDelegate::kNearMiss) > 0);
    QCOMPARE(cellPixelsOf(*heatmap, nearMiss, HeatmapDelegate::kBlind), 0);
    QVERIFY(cellPixelsOf(*heatmap, gap, HeatmapDelegate::kBlind) > 0);
    QVERIFY(cellPixelsOf(*heatmap, tooFew, HeatmapDelegate::kBlind) > 0);
    QCOMPARE(cellPixelsOf(*heatmap, caught, HeatmapDelegate::kNearMiss), 0);
    QCOMPARE(cellPixelsOf(*heatmap, caught, HeatmapDelegate::kBlind), 0);

    const qsizetype requests = fixture.server().loggedRequests().size();
    window.findChild<QSpinBox *>("occurrences")->setValue(4);
    QVERIFY2(window.statusText().contains("15 blind hours"), qPrintable(window.statusText()));
    QCOMPARE(tableMarks(window), marks::handCount(4));
    // Three samples at 13:00 are too few for four; the rows may have moved.
    const int rowAtFour = heatmapRow(*model, 7, 101);
    QVERIFY(rowAtFour >= 0);
    QVERIFY(model->index(rowAtFour, 3).data(HeatmapModel::BlindRole).toBool());
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(fixture.server().loggedRequests().size(), requests);
}

// A range after the last sample says so in the status line and leaves the tuning table empty, not
// all zeros within any budget; the surface of the range before goes with it.
void tst_ExplorerWindow::rangeWithoutSamplesDrawsNoSurface()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    const QAbstractItemModel *tuning = window.findChild<TuningView *>()->model();
    QVERIFY(tuning->rowCount() > 0);
    QVERIFY(!window.statusText().contains("no CPU samples"));

    SweepChoice settings = settingsFor(fixture);
    settings.from = "2026-12-09 00:00:00";
    settings.to = "2026-12-09 03:00:00";
    window.applySettings(settings);
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));

    QCOMPARE(window.statusText(),
        "no CPU samples from 2026-12-09 00:00 to 2026-12-09 03:00 in any of the 2 CPU reports.");
    QCOMPARE(tuning->rowCount(), 0);
    QCOMPARE(tuning->columnCount(), 0);
}

void tst_ExplorerWindow::incidentsFileLoaded_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("status");

    QTest::newRow("four incidents") << kMarksIncidents
                                    << "4 incidents loaded from %1. Each setting is scored "
                                       "against them once a result is on screen.";
    QTest::newRow("only the header")
        << QByteArray("start,end,device,note\n")
        << "0 incidents loaded from %1. Each setting is scored against them once a result is on "
           "screen.";
    QTest::newRow("an end before its start")
        << QByteArray("start,end,device\n2026-12-07 13:00:00,2026-12-07 12:00:00,core\n")
        << "the incidents file %1, line 2: ";
    QTest::newRow("a time without seconds")
        << QByteArray("start,end,device,note\n2026-12-07 13:00:00,2026-12-07 14:00:00,,\n"
                      "2026-12-07 13:00,2026-12-07 14:00:00,,\n")
        << "the incidents file %1, line 3: ";
    QTest::newRow("another header")
        << QByteArray("from,to,node\n") << "the incidents file %1, line 1: ";
}

// File -> Load incidents before any result: their number, or the file's line and reason in red
// with the incidents loaded before kept.
void tst_ExplorerWindow::incidentsFileLoaded()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, status);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "incidents.csv", text);
    ExplorerWindow window;
    window.show();
    const bool good = !status.startsWith("the incidents file");

    QCOMPARE(window.loadIncidents(path), good);

    QVERIFY2(window.statusText().startsWith(status.arg(path)), qPrintable(window.statusText()));
    QCOMPARE(window.findChild<QLabel *>("status")->styleSheet().contains("#b00000"), !good);
    QCOMPARE(legendKeys(window).contains("incident"), good);
}

// The marks installation's incidents on every view: caught as counted by hand, the best setting
// within the budget marked, the noise of the setting on screen, a refused file changing nothing.
void tst_ExplorerWindow::incidentsScoredOnResult()
{
    namespace marks = MarksInstallation;
    MonitoringFixture fixture;
    QVERIFY2(marks::install(fixture, false) && fixture.startServer(), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(marksChoice(fixture));
    window.show();
    QTemporaryDir dir;
    QVERIFY(window.loadIncidents(writeFile(dir, "incidents.csv", kMarksIncidents)));
    QVERIFY(!window.loadIncidents(writeFile(dir, "bad.csv", "start,end\n")));
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));

    // 13:00 of core-rtr-01 in report 7 and 12:00 of it in report 12: three samples each.
    QVERIFY2(window.statusText().contains(
                 "2 of 4 incidents caught. 1 incident names no device: line 5 \"nosuch-01\"."),
        qPrintable(window.statusText()));
    const QModelIndex current = tuningIndex(window, 50, 3);
    QCOMPARE(current.data(TuningModel::IncidentsCaughtRole).toInt(), 2);
    // 2 alarms in 5 hours are 9.6 a day, within the default budget of 10; so they are from 35 up
    // to 60 %, which is highest.
    QVERIFY(tuningIndex(window, 60, 3).data(TuningModel::BestRole).toBool());
    QVERIFY(!current.data(TuningModel::BestRole).toBool());
    auto *shading = window.findChild<QComboBox *>("shading");
    QVERIFY(shading->isEnabled());
    shading->setCurrentIndex(1);
    QCOMPARE(current.data(Qt::DisplayRole).toString(), "2/4");

    // The hours that incidents overlap, on the heatmap's hour axis: 10:00 has none.
    const QAbstractItemModel *heatmap = window.findChild<HeatmapView *>()->model();
    QCOMPARE(heatmap->headerData(0, Qt::Horizontal, HeatmapModel::IncidentsRole).toInt(), 0);
    QCOMPARE(heatmap->headerData(3, Qt::Horizontal, HeatmapModel::IncidentsRole).toInt(), 1);
    QVERIFY(heatmap->headerData(3, Qt::Horizontal, Qt::ToolTipRole)
                .toString()
                .contains("CORE-RTR-01: core router, slow"));
    // As painted: a band under 13:00's caption, none under 10:00's.
    auto *hours = window.findChild<HeatmapView *>()->horizontalHeader();
    const QImage header = hours->grab().toImage();
    const auto bandPixels = [&](int hour) {
        const QRect section(
            hours->sectionViewportPosition(hour), 0, hours->sectionSize(hour), header.height());
        int found = 0;
        for (int y = section.top(); y <= section.bottom(); ++y) {
            for (int x = section.left(); x <= section.right(); ++x)
                found += header.pixelColor(x, y).rgb() == HeatmapDelegate::kIncident.rgb() ? 1 : 0;
        }
        return found;
    };
    QCOMPARE(bandPixels(0), 0);
    QVERIFY(bandPixels(3) > 0);

    // One alarm at 12:00 and one at 13:00, one device each, no hour to leave out.
    QList<qreal> byHour(24, 0.0);
    byHour[12] = byHour[13] = 1;
    QCOMPARE(window.findChild<NoiseView *>()->alarmsByHour(), byHour);
    QCOMPARE(labelText(window, "noiseHeading"), "50 % and 3 occurrences: 2 alarms, by hour of day");
    QCOMPARE(labelText(window, "noiseDevices"), "1 device gives 50 % of the alarms");
    QCOMPARE(labelText(window, "monitoringSuggestion"),
        "monitoring 11:00–15:00 already sends the fewest alarms that catch its incidents");

    // Two occurrences add 7/101 at 11:00 and 14:00 and 12/101 at 11:00, none an incident's.
    window.findChild<QSpinBox *>("occurrences")->setValue(2);
    byHour[11] = 2;
    byHour[14] = 1;
    QCOMPARE(window.findChild<NoiseView *>()->alarmsByHour(), byHour);
    QCOMPARE(labelText(window, "monitoringSuggestion"),
        "monitoring 12:00–14:00 instead of 11:00–15:00: 60 % fewer alarms, no incident lost");
    QVERIFY2(
        window.statusText().contains("2 of 4 incidents caught."), qPrintable(window.statusText()));
}

// Holding out the last day: the tuning table describes the day before it, as counted from the
// heatmap's grid; a hold-out as long as the range holds nothing out.
void tst_ExplorerWindow::holdOutScoredUnderTheTable()
{
    MonitoringFixture fixture;
    ExplorerWindow window;
    QString failure;
    QVERIFY2(showFirstResult(fixture, window, &failure), qPrintable(failure));
    const auto *label = window.findChild<QLabel *>("holdOut");
    QCOMPARE(label->text(), QString());
    const double wholeRange
        = tuningIndex(window, 40, 6).data(TuningModel::AlarmsPerDayRole).toDouble();

    window.findChild<QSpinBox *>("holdOutDays")->setValue(1);

    const SweepGrid &grid = *window.shownGrid();
    int firstDay = 0;
    for (int device = 0; device < grid.deviceCount(); ++device) {
        for (int hour = 0; hour < 24; ++hour)
            firstDay += grid.isCaught(device, hour, 6) ? 1 : 0;
    }
    QCOMPARE(tuningIndex(window, 40, 6).data(TuningModel::AlarmsPerDayRole).toDouble(),
        double(firstDay));
    QVERIFY(double(firstDay) != wholeRange);
    QVERIFY2(label->text().startsWith("Chosen on 2026-12-05 14:00 to 2026-12-06 14:00: "),
        qPrintable(label->text()));
    QVERIFY2(label->text().contains(QRegularExpression(
                 "[0-9]+ % and 6 occurrences, [0-9.,]+ alarms a day there; on the last day: ")),
        qPrintable(label->text()));

    // The budget chooses the setting scored: any threshold fits a wide one, only a silent one none.
    auto *budget = window.findChild<QDoubleSpinBox *>("budget");
    budget->setValue(100000.0);
    QVERIFY2(label->text().contains(" 5 % and 6 occurrences, "), qPrintable(label->text()));
    budget->setValue(0.0);
    QVERIFY2(label->text().contains(" and 6 occurrences, 0.0 alarms a day there;"),
        qPrintable(label->text()));

    window.findChild<QSpinBox *>("holdOutDays")->setValue(2);
    QCOMPARE(label->text(), "The range of 48 hours is too short to hold out 2 days.");
    QCOMPARE(tuningIndex(window, 40, 6).data(TuningModel::AlarmsPerDayRole).toDouble(), wholeRange);
}

QTEST_MAIN(tst_ExplorerWindow)
#include "tst_explorerwindow.moc"
