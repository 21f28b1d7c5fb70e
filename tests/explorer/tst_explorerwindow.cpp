#include "MonitoringFixture.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/SweepGrid.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "testrun/HostFields.h"

#include <QBuffer>
#include <QElapsedTimer>
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
    settings.connection.fields = readConnectionFields(fixture.host);
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

} // namespace

class tst_ExplorerWindow : public QObject
{
    Q_OBJECT

private slots:
    void resultEqualsSweepCsv();
    void cancelEndsDelayedQuery();
    void failureShownAndRecovered();
};

void tst_ExplorerWindow::resultEqualsSweepCsv()
{
    MonitoringFixture fixture;
    QVERIFY2(generate(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepChoice settings = settingsFor(fixture);

    ExplorerWindow window;
    window.applySettings(settings);
    window.show();
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QVERIFY(window.shownGrid());
    QVERIFY(window.shownGrid()->deviceCount() > 0);
    const QByteArray expected = engineCsv(settings, 6);
    QVERIFY(expected.startsWith("hour,report_id,node_id,node_name,address,count,caught\r\n"));
    QVERIFY(expected.contains(",true\r\n"));
    QCOMPARE(exportedCsv(window), expected);

    // Another occurrences value is answered from the result on screen.
    const qsizetype requests = fixture.server().loggedRequests().size();
    const SweepGrid *grid = window.shownGrid();
    auto *occurrences = window.findChild<QSpinBox *>("occurrences");
    QVERIFY(occurrences);
    occurrences->setValue(2);
    QTest::qWait(1000);
    QCOMPARE(window.shownGrid(), grid);
    QCOMPARE(fixture.server().loggedRequests().size(), requests);
    QCOMPARE(exportedCsv(window), engineCsv(settings, 2));
}

void tst_ExplorerWindow::cancelEndsDelayedQuery()
{
    MonitoringFixture fixture;
    QVERIFY2(generate(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(settingsFor(fixture));
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
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
    QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith("Report 1 of 2"), 10000);
    QTest::qWait(300);
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
    QVERIFY2(generate(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    SweepChoice settings = settingsFor(fixture);
    ExplorerWindow window;
    window.applySettings(settings);
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
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
    QVERIFY2(window.statusText().startsWith(description), qPrintable(window.statusText()));
    QCOMPARE(window.shownGrid(), shown);
    QCOMPARE(exportedCsv(window), csv);

    window.applySettings(settings);
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QVERIFY(window.shownGrid() != shown);
    QCOMPARE(exportedCsv(window), csv);
}

QTEST_MAIN(tst_ExplorerWindow)
#include "tst_explorerwindow.moc"
