#include "MonitoringFixture.h"
#include "TestCertificates.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/HeatmapView.h"
#include "options/ConnectionFailureText.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepGrid.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

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

QByteArray engineCsv(const SweepChoice &settings, qint16 occurrences)
{
    QString failure;
    SweepSettings sweep = *settings.sweep(QDateTime::currentDateTime(), &failure);
    SweepEngine engine(sweep);
    const auto result = engine.run();
    if (!result)
        return "sweep failed: " + engine.lastError().toUtf8();
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

bool runToResult(ExplorerWindow &window)
{
    QSignalSpy shown(&window, &ExplorerWindow::resultShown);
    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    window.run();
    return QTest::qWaitFor([&] { return !shown.isEmpty() || !failed.isEmpty(); }, 60000)
        && !shown.isEmpty();
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

QImage heatmapPicture(ExplorerWindow &window)
{
    auto *heatmap = window.findChild<HeatmapView *>();
    return heatmap ? heatmap->grab().toImage() : QImage();
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
    void encryptionChosenInConnectionGroup();
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
    QVERIFY(expected.startsWith("hour,report_id,node_id,node_name,address,count,caught\r\n"));
    QVERIFY(expected.contains(",true\r\n"));
    QCOMPARE(exportedCsv(window), expected);
    QVERIFY(exportCsvAction(window) && exportCsvAction(window)->isEnabled());

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
    for (const int value : {45, 50, 55}) {
        threshold->setValue(value);
        QVERIFY(window.isRequeryWaiting());
    }
    QVERIFY(!window.isRunning());
    QVERIFY(shown.wait(60000));
    // The result's sweep was the last one: nothing runs or waits to run after it.
    QVERIFY(!window.isRunning());
    QVERIFY(!window.isRequeryWaiting());
    QCOMPARE(shown.count(), 1);
    QCOMPARE(aggregateQueries(fixture.server().loggedRequests()) - before, 2);
    QVERIFY(window.shownGrid() != first);
    settings.threshold = 55;
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
    QVERIFY2(window.statusText().startsWith(description), qPrintable(window.statusText()));
}

QTEST_MAIN(tst_ExplorerWindow)
#include "tst_explorerwindow.moc"
