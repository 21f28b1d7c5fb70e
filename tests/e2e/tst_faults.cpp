#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

QString sample(int node, const char *time, int load)
{
    return QString("INSERT INTO ATR_Report_7_RAW VALUES (%1, '%2', %3)")
        .arg(node)
        .arg(time)
        .arg(load);
}

// One report with samples in the monitoring database: two nodes over the threshold, so that
// discovery, two count queries and two look-ups all go over the main connection.
QStringList installation()
{
    return reportTableStatements()
        << cpuReportRow("7", "'CPU Core Routers'", "300")
        << sampleTableStatement("ATR_Report_7_RAW") << sample(101, "2026-12-07 13:05:00", 90)
        << sample(101, "2026-12-07 13:10:00", 95) << sample(102, "2026-12-07 13:30:00", 60)
        << nodesTableStatement() << nodeRow(101, "core-rtr-01", "192.0.2.1", "public")
        << nodeRow(102, "core-rtr-02", "192.0.2.2", "public");
}

void prepareHost(RecordingHost &host)
{
    host.setReferenceTime(QDateTime(QDate(2026, 12, 7), QTime(14, 20, 5)));
    host.setText(control::kTxtCpuLoadThreshold, "50");
    host.setText(control::kTxtCpuOverThreshold, "1");
}

struct Request
{
    int number = 0; // counted per connection, as the server counts for --drop-after
    QString text;
};

// The requests of the first connection in the server's log.
QList<Request> mainConnectionRequests(const QList<LoggedRequest> &logged)
{
    static const QStringList requestKinds {"PRELOGIN", "LOGIN7", "SQL_BATCH", "RPC"};
    QList<Request> requests;
    std::optional<int> mainSpid;
    for (const LoggedRequest &request : logged) {
        if (!requestKinds.contains(request.kind))
            continue;
        if (!mainSpid)
            mainSpid = request.spid;
        if (request.spid == *mainSpid)
            requests << Request {int(requests.size()) + 1, request.detail};
    }
    return requests;
}

// The first request of the main connection whose text contains the given part.
Request firstRequest(const QList<Request> &requests, const QString &part)
{
    for (const Request &request : requests) {
        if (request.text.contains(part))
            return request;
    }
    return {};
}

struct CleanRun
{
    QString log;
    QList<Request> requests;
};

// A run against an undisturbed server: the run log to compare with and the requests it made.
std::optional<CleanRun> cleanRun(MonitoringFixture &fixture)
{
    if (!fixture.startServer())
        return std::nullopt;
    TestRunDriver(fixture.host).run();
    CleanRun run {withoutTimings(fixture.runLog()),
        mainConnectionRequests(fixture.server().loggedRequests())};
    fixture.server().stop();
    if (!fixture.host.warnings.isEmpty() || run.requests.isEmpty())
        return std::nullopt;
    fixture.host.events.clear();
    fixture.host.warnings.clear();
    fixture.host.viewerPaths.clear();
    fixture.host.processEventsCalls = 0;
    QFile::remove(fixture.runLogPath());
    return run;
}

// The query-failure ending: the log shown first, then the same description in a warning.
void verifyQueryFailureEnding(MonitoringFixture &fixture)
{
    const QString logPath = fixture.runLogPath();
    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString description = fixture.host.warnings.first();
    QVERIFY2(description.startsWith("[FreeTDS]"), qPrintable(description));
    QCOMPARE(fixture.host.events,
        QStringList({"disabled", "enabled", "viewer:" + logPath, "warning:" + description}));
    QVERIFY(fixture.runLog().endsWith(kCrlf + kCrlf + description + kCrlf));
}

// Everything the failed run wrote before its description, unchanged from the undisturbed run,
// and ending with the query that failed.
void verifyLinesKept(const QString &failedLog, const QString &cleanLog, const QString &failedSql)
{
    const QString description = failedLog.section(kCrlf, -2, -2);
    const QString kept = withoutTimings(failedLog.chopped(kCrlf.size() * 2 + description.size()));
    QVERIFY2(kept.endsWith(failedSql + kCrlf), qPrintable(kept.right(300)));
    QVERIFY2(cleanLog.startsWith(kept), qPrintable(kept));
}

bool isUnder(const QString &path, const QString &dir)
{
    return path.startsWith(dir + '/');
}

} // namespace

// How a run ends when the server goes away, stalls or is not there, or the log cannot be written.
class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void connectionDroppedMidRun_data();
    void connectionDroppedMidRun();
    void delayFromKeepsLoginPrompt();
    void stalledQuery_data();
    void stalledQuery();
    void serverNotThere_data();
    void serverNotThere();
    void runLogDirectoriesUnwritable_data();
    void runLogDirectoriesUnwritable();
};

void tst_Faults::connectionDroppedMidRun_data()
{
    QTest::addColumn<QString>("lastAnswered");
    QTest::addColumn<QString>("failing");

    QTest::newRow("during discovery") << "FROM ATR_Reports"
                                      << "SELECT name from sys.tables";
    QTest::newRow("between two count queries") << "WHERE node_id = '101'"
                                               << "WHERE node_id = '102'";
    QTest::newRow("during look-ups") << "FROM ATR_Nodes WHERE node_id = '101'"
                                     << "FROM ATR_Nodes WHERE node_id = '102'";
}

void tst_Faults::connectionDroppedMidRun()
{
    QFETCH(QString, lastAnswered);
    QFETCH(QString, failing);

    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation()), qPrintable(fixture.error));
    prepareHost(fixture.host);
    const auto clean = cleanRun(fixture);
    QVERIFY(clean);
    const Request dropAfter = firstRequest(clean->requests, lastAnswered);
    const Request failed = firstRequest(clean->requests, failing);
    QVERIFY2(dropAfter.number > 0 && failed.number == dropAfter.number + 1,
        qPrintable(QString("%1 then %2").arg(dropAfter.number).arg(failed.number)));

    SampleServer::Options options;
    options.port = fixture.port();
    options.dropAfter = dropAfter.number;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    QElapsedTimer timer;
    timer.start();
    TestRunDriver(fixture.host).run();
    const qint64 elapsed = timer.elapsed();
    qInfo("%s: query-failure ending after %lld ms: %s", QTest::currentDataTag(), elapsed,
        qPrintable(fixture.host.warnings.value(0)));

    verifyQueryFailureEnding(fixture);
    verifyLinesKept(fixture.runLog(), clean->log, failed.text);
    QVERIFY2(fixture.server().logText().contains("DROP after request"),
        qPrintable(fixture.server().logText()));
    QVERIFY2(elapsed < 15000, qPrintable(QString::number(elapsed)));
}

void tst_Faults::delayFromKeepsLoginPrompt()
{
    constexpr int delayMs = 1500;
    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation()), qPrintable(fixture.error));
    prepareHost(fixture.host);
    const auto clean = cleanRun(fixture);
    QVERIFY(clean);
    const Request reports = firstRequest(clean->requests, "FROM ATR_Reports");
    QVERIFY(reports.number > 2);

    SampleServer::Options options;
    options.port = fixture.port();
    options.delayMs = delayMs;
    options.delayFrom = reports.number;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    TestRunDriver(fixture.host).run();

    QVERIFY2(fixture.host.warnings.isEmpty(), qPrintable(fixture.host.warnings.join('\n')));
    QCOMPARE(withoutTimings(fixture.runLog()), clean->log);
    // The connect line's figure covers the login and the driver's opening requests; the
    // report query is the first one answered late.
    const QList<quint32> figures = timingFigures(fixture.runLog());
    QVERIFY(figures.size() >= 2);
    qInfo("connect %u ms, report query %u ms", figures[0], figures[1]);
    QVERIFY2(figures[0] < delayMs, qPrintable(QString::number(figures[0])));
    QVERIFY2(figures[1] >= delayMs, qPrintable(QString::number(figures[1])));
}

void tst_Faults::stalledQuery_data()
{
    QTest::addColumn<QString>("stalled");

    QTest::newRow("report query") << "FROM ATR_Reports";
    QTest::newRow("count query") << "WHERE node_id = '102'";
}

void tst_Faults::stalledQuery()
{
    QFETCH(QString, stalled);
    constexpr int timeoutSeconds = 2;

    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation()), qPrintable(fixture.error));
    prepareHost(fixture.host);
    const auto clean = cleanRun(fixture);
    QVERIFY(clean);
    const Request request = firstRequest(clean->requests, stalled);
    QVERIFY(request.number > 0);

    SampleServer::Options options;
    options.port = fixture.port();
    options.delayMs = 4 * timeoutSeconds * 1000;
    options.delayFrom = request.number;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    QElapsedTimer timer;
    timer.start();
    // The first wait of the run is the one of showing the failed run's log.
    qint64 failedAfter = -1;
    fixture.host.onProcessEvents([&](int call) {
        if (call == 1)
            failedAfter = timer.elapsed();
    });
    TestRunDriver(fixture.host, RunSettings {timeoutSeconds}).run();
    qInfo("%s: query-failure ending reached after %lld ms, query timeout %d s: %s",
        QTest::currentDataTag(), failedAfter, timeoutSeconds,
        qPrintable(fixture.host.warnings.value(0)));

    verifyQueryFailureEnding(fixture);
    verifyLinesKept(fixture.runLog(), clean->log, request.text);
    // The connect and the queries before the stalled one take milliseconds; the driver's
    // cancel after the timeout is acknowledged at once.
    QVERIFY2(failedAfter >= timeoutSeconds * 1000, qPrintable(QString::number(failedAfter)));
    QVERIFY2(failedAfter < timeoutSeconds * 1000 + 2000, qPrintable(QString::number(failedAfter)));
}

void tst_Faults::serverNotThere_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("boundMs");

    QTest::newRow("closed port") << "Remote SQL Authentication"
                                 << "127.0.0.1" << 5000;
    // The driver asks the browser on UDP 1434 once a second and gives up after about 16 s.
    QTest::newRow("named instance without browser reply") << "Local SQL Authentication"
                                                          << "127.0.0.1\\SNMPCONLINE" << 30000;
}

void tst_Faults::serverNotThere()
{
    QFETCH(QString, mode);
    QFETCH(QString, server);
    QFETCH(int, boundMs);

    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation()), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.server().stop();
    prepareHost(fixture.host);
    fixture.host.setText(control::kCboOnlConnType, mode);
    fixture.host.setText(control::kTxtOnlDbServer, server);

    QElapsedTimer timer;
    timer.start();
    TestRunDriver(fixture.host).run();
    const qint64 elapsed = timer.elapsed();
    qInfo("%s: main-open failure after %lld ms: %s", QTest::currentDataTag(), elapsed,
        qPrintable(fixture.host.warnings.value(0)));

    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString description = fixture.host.warnings.first();
    QVERIFY2(description.startsWith("[FreeTDS]"), qPrintable(description));
    QCOMPARE(fixture.host.events, QStringList({"disabled", "enabled", "warning:" + description}));
    QCOMPARE(fixture.runLog(), QString("<no run-log file>"));
    QVERIFY2(elapsed < boundMs, qPrintable(QString::number(elapsed)));
}

void tst_Faults::runLogDirectoriesUnwritable_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<int>("runWarnings");

    QTest::newRow("complete run") << "SNMPCONLINE"
                                  << "50" << 0;
    QTest::newRow("query failure") << "Other"
                                   << "50" << 1;
    QTest::newRow("settings failure") << "SNMPCONLINE"
                                      << "abc" << 1;
}

// Root ignores file modes, so the directories are made unusable by lying below a regular file.
void tst_Faults::runLogDirectoriesUnwritable()
{
    QFETCH(QString, database);
    QFETCH(QString, threshold);
    QFETCH(int, runWarnings);

    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation()), qPrintable(fixture.error));
    QVERIFY2(
        fixture.addDatabase("Other", {"CREATE TABLE x (y INTEGER)"}), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    prepareHost(fixture.host);
    fixture.host.setText(control::kTxtOnlDatabase, database);
    fixture.host.setText(control::kTxtCpuLoadThreshold, threshold);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString blocker = scratch.filePath("plain-file");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    fixture.host.setAppPath(blocker + "/app");
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker + "/data"));

    TestRunDriver(fixture.host).run();
    if (savedDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedDataHome);

    QCOMPARE(fixture.host.warnings.size(), 1 + runWarnings);
    const QString warning = fixture.host.warnings.first();
    QVERIFY2(
        warning.startsWith("The run log could not be written to " + blocker), qPrintable(warning));
    QVERIFY2(isUnder(warning.section(" nor to ", 1), blocker + "/data"), qPrintable(warning));
    QVERIFY(fixture.host.viewerPaths.isEmpty());
    QVERIFY(fixture.host.testEnabled);
    QVERIFY(QFileInfo(blocker).isFile());
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
