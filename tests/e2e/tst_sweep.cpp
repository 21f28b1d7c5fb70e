#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "app/ControlNames.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepQueries.h"
#include "testrun/TestRunDriver.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

enum class Layout { Online, External };

const QString kFrom = QStringLiteral("2026-12-07 12:00:00");
const QString kTo = QStringLiteral("2026-12-07 15:00:00");

// A report's node and its count, as a run's node block or a sweep's row shows them.
using NodeCounts = QMap<QPair<int, int>, int>;

struct HourOutcome
{
    NodeCounts counts;
    QStringList caught; // the summary lines, sorted
};

QString sample(int node, const QString &time, int load)
{
    return QString("INSERT INTO %4 VALUES (%1, '%2', %3)").arg(node).arg(time).arg(load);
}

QString sampleInto(const QString &table, int node, const QString &time, int load)
{
    return sample(node, time, load).arg(table);
}

QStringList nodeTable()
{
    return {"CREATE TABLE ATR_Nodes (node_id INTEGER, node_name TEXT, address TEXT, trapcomm TEXT)",
        "INSERT INTO ATR_Nodes VALUES (101, 'core-rtr-01', '192.0.2.1', 'public')",
        "INSERT INTO ATR_Nodes VALUES (102, 'core, \"west\"', '192.0.2.2', 'noc-traps')",
        "INSERT INTO ATR_Nodes VALUES (103, 'edge-sw-03', '2001:db8::3', 'monitor')"};
}

QStringList report7Samples(const QString &table)
{
    return {sampleTableStatement(table), sampleInto(table, 101, "2026-12-07 13:05:00", 55),
        sampleInto(table, 101, "2026-12-07 13:10:00", 70),
        sampleInto(table, 101, "2026-12-07 13:15:00", 20),
        sampleInto(table, 102, "2026-12-07 13:20:00", 50),
        sampleInto(table, 101, "2026-12-07 14:00:00", 90),
        sampleInto(table, 103, "2026-12-07 14:30:00", 51),
        sampleInto(table, 103, "2026-12-07 14:59:59", 99),
        sampleInto(table, 103, "2026-12-07 15:00:00", 99),
        sampleInto(table, 104, "2026-12-07 11:59:59", 99)};
}

QStringList report12Samples(const QString &table)
{
    return {sampleTableStatement(table), sampleInto(table, 101, "2026-12-07 12:30:00", 49),
        sampleInto(table, 101, "2026-12-07 12:40:00", 80),
        sampleInto(table, 101, "2026-12-07 12:45:00", 81),
        sampleInto(table, 101, "2026-12-07 12:50:00", 82),
        sampleInto(table, 105, "2026-12-07 13:30:00", 60)};
}

// The first report decides where the samples are: 12 first here, so that the sweep's order by
// report_id shows.
QStringList monitoringTables(const QStringList &reportIds = {"12", "7"})
{
    QStringList statements = reportTableStatements();
    for (const QString &id : reportIds)
        statements << cpuReportRow(id, "'CPU " + id + "'", "300");
    return statements + nodeTable();
}

bool buildSmallInstallation(MonitoringFixture &fixture, Layout layout)
{
    if (layout == Layout::Online)
        return fixture.addDatabase("SNMPCONLINE",
            monitoringTables() + report7Samples("ATR_Report_7_RAW")
                + report12Samples("ATR_Report_12_RAW"));
    return fixture.addDatabase("SNMPCONLINE", monitoringTables())
        && fixture.addDatabase("ATR_Report_7", report7Samples("RAW"))
        && fixture.addDatabase("ATR_Report_12", report12Samples("RAW"));
}

SweepSettings settingsFor(MonitoringFixture &fixture, const QString &from, const QString &to)
{
    SweepSettings settings;
    settings.connection = fixture.host.connectionFields();
    QString failure;
    settings.range = *SweepRange::fromTexts(from, to, &failure);
    settings.threshold = 50;
    settings.occurrences = 2;
    return settings;
}

QByteArray csvOf(const SweepResult &result, const SweepSettings &settings)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return SweepCsv::write(buffer, result, settings) ? buffer.data() : QByteArray("write failed");
}

// The node blocks and the summary of a run's log; the report of a block is the one whose node
// query or connection comes before it.
HourOutcome parseRunLog(const QString &log)
{
    static const QRegularExpression reportOfQuery("FROM ATR_Report_(\\d+)_RAW WHERE");
    static const QRegularExpression reportOfConnect("^Connect OK to .*Catalog=ATR_Report_(\\d+);");
    HourOutcome outcome;
    const QStringList lines = log.split("\r\n");
    int report = 0;
    bool inSummary = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        for (const auto *pattern : {&reportOfQuery, &reportOfConnect}) {
            const auto match = pattern->match(line);
            if (match.hasMatch()
                && line.startsWith(pattern == &reportOfQuery ? "SELECT DISTINCT" : "Connect"))
                report = match.captured(1).toInt();
        }
        if (line == "node_id\ttimes" && i + 1 < lines.size()) {
            const QStringList block = lines.at(i + 1).split('\t');
            outcome.counts[{report, block.value(0).toInt()}] = block.value(1).toInt();
        }
        if (inSummary && !line.isEmpty())
            outcome.caught << line;
        if (line == "Devices caught by Threshold Conditions.")
            inSummary = true;
        else if (inSummary && line.isEmpty())
            inSummary = false;
    }
    outcome.caught.sort();
    return outcome;
}

HourOutcome sweepHour(const SweepResult &result, int hourIndex, qint16 occurrences)
{
    HourOutcome outcome;
    for (const SweepRow &row : result.rows) {
        if (row.hourIndex != hourIndex)
            continue;
        outcome.counts[{result.reportId(row), row.nodeId}] = row.count;
        if (SweepResult::isCaught(row, occurrences))
            outcome.caught << result.node(row.nodeId).name + QString("\t%1 times").arg(row.count);
    }
    outcome.caught.sort();
    return outcome;
}

// The number of the first aggregate query, counted per connection as the server counts for
// --drop-after and --delay-from. Qt's own statements at connect time are calls too.
int firstAggregateNumber(const QList<LoggedRequest> &requests)
{
    int number = 0;
    for (const LoggedRequest &request : requests) {
        if (request.kind == "DROP" || request.kind == "ATTENTION")
            continue;
        ++number;
        if (request.kind == "RPC" && request.detail.contains("FROM ATR_Report_"))
            return number;
    }
    return 0;
}

QStringList requestKinds(const QList<LoggedRequest> &requests)
{
    QStringList kinds;
    for (const LoggedRequest &request : requests)
        kinds << request.kind;
    return kinds;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

namespace {

void addLayoutRows()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("online") << Layout::Online;
    QTest::newRow("external") << Layout::External;
}

} // namespace

// The sweep against the sample server: equal to single-hour test runs, its csv, its bound
// parameters and the ways it fails.
class tst_Sweep : public QObject
{
    Q_OBJECT

private slots:
    void equalsTestRunsHourByHour_data();
    void equalsTestRunsHourByHour();
    void csvOfHandCheckedData_data();
    void csvOfHandCheckedData();
    void valuesAreBoundParameters();
    void limitIsRefused_data();
    void limitIsRefused();
    void failureEndings_data();
    void failureEndings();
    void droppedConnectionFails();
    void noSampleStoreCountsNothing();
    void cancelEndsAStalledQuery();
};

void tst_Sweep::equalsTestRunsHourByHour_data()
{
    addLayoutRows();
}

void tst_Sweep::equalsTestRunsHourByHour()
{
    QFETCH(Layout, layout);
    MonitoringFixture fixture;
    QVERIFY2(
        generateSampleData(fixture.dataDir(),
            {"--layout", layout == Layout::Online ? "online" : "external", "--reports", "2",
                "--nodes", "8", "--hours", "50", "--seed", "5", "--end", "2026-12-07 14:30:00"},
            &fixture.error),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.host.setText(control::kTxtCpuLoadThreshold, "40");
    fixture.host.setText(control::kTxtCpuOverThreshold, "6");
    fixture.host.setText(control::kCboCpuMonTimeStart, "06:00");
    fixture.host.setText(control::kCboCpuMonTimeStop, "23:00");

    SweepSettings settings = settingsFor(fixture, "2026-12-05 14:00:00", "2026-12-07 14:00:00");
    settings.threshold = 40;
    settings.occurrences = 6;
    settings.monStartHour = 6;
    settings.monStopHour = 23;
    SweepEngine engine(settings);
    const auto result = engine.sweep();
    QVERIFY2(result, qPrintable(engine.lastError()));
    QCOMPARE(result->reportIds.size(), 2);

    int caughtInAll = 0;
    int unmonitored = 0;
    for (int i = 0; i < result->range.hourCount(); ++i) {
        const QDateTime hour = result->range.hour(i);
        fixture.host.setReferenceTime(QDateTime(hour.date(), hour.time()).addSecs(3600 + 1234));
        TestRunDriver(fixture.host).run();
        QVERIFY2(fixture.host.warnings.isEmpty(), qPrintable(fixture.host.warnings.join('\n')));
        const HourOutcome run = parseRunLog(fixture.runLog());
        const HourOutcome swept = sweepHour(*result, i, settings.occurrences);
        const QByteArray where = SweepRange::hourText(hour).toUtf8();
        QVERIFY2(run.counts == swept.counts, where.constData());
        QVERIFY2(run.caught == swept.caught, where.constData());
        QCOMPARE(result->monitored.at(i), settings.isMonitored(hour));
        caughtInAll += int(run.caught.size());
        unmonitored += result->monitored.at(i) ? 0 : 1;
    }
    // The data must make the comparison tell: devices caught in some hours, hours not examined.
    QVERIFY(caughtInAll > 0);
    QCOMPARE(unmonitored, 2 * 7);
}

void tst_Sweep::csvOfHandCheckedData_data()
{
    addLayoutRows();
}

void tst_Sweep::csvOfHandCheckedData()
{
    QFETCH(Layout, layout);
    MonitoringFixture fixture;
    QVERIFY2(buildSmallInstallation(fixture, layout), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture, kFrom, kTo);
    SweepEngine engine(settings);
    QList<QPair<int, int>> progress;
    const auto result = engine.sweep(
        [&progress](int report, int reports) { progress << qMakePair(report, reports); });
    QVERIFY2(result, qPrintable(engine.lastError()));
    QCOMPARE(progress, (QList<QPair<int, int>> {{1, 2}, {2, 2}}));
    QCOMPARE(csvOf(*result, settings),
        QByteArray("hour,report_id,node_id,node_name,address,count,caught,samples\r\n"
                   "2026-12-07 12:00:00,12,101,core-rtr-01,192.0.2.1,3,true,4\r\n"
                   "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,2,true,3\r\n"
                   "2026-12-07 13:00:00,7,102,\"core, \"\"west\"\"\",192.0.2.2,1,false,1\r\n"
                   "2026-12-07 13:00:00,12,105,,,1,false,1\r\n"
                   "2026-12-07 14:00:00,7,101,core-rtr-01,192.0.2.1,1,false,1\r\n"
                   "2026-12-07 14:00:00,7,103,edge-sw-03,2001:db8::3,2,true,2\r\n"));
    // Another occurrences value answers from the same result.
    SweepSettings once = settings;
    once.occurrences = 1;
    QCOMPARE(result->caughtPerHour(once.occurrences), QList<int>({1, 3, 2}));
    QCOMPARE(result->caughtPerHour(settings.occurrences), QList<int>({1, 1, 1}));
}

// The driver sends each aggregate query as sp_prepexec: its text with markers only, the values as
// typed parameters.
void tst_Sweep::valuesAreBoundParameters()
{
    MonitoringFixture fixture;
    QVERIFY2(buildSmallInstallation(fixture, Layout::Online), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    SweepEngine engine(settingsFor(fixture, kFrom, kTo));
    QVERIFY2(engine.run(), qPrintable(engine.lastError()));
    QStringList aggregates;
    for (const LoggedRequest &request : fixture.server().loggedRequests()) {
        if (request.detail.contains("ATR_Report_"))
            aggregates << request.kind + ' ' + request.detail;
    }
    QStringList expected;
    for (const QString table : {"ATR_Report_7_RAW", "ATR_Report_12_RAW"}) {
        QString sql = SweepQueries::aggregate(table, 1);
        for (int marker = 1; sql.contains('?'); ++marker)
            sql.replace(sql.indexOf('?'), 1, QString("@P%1").arg(marker));
        expected << "RPC sp_prepexec (unnamed) int=NULL (unnamed) ntext='@P1 INT,@P2 "
                    "DATETIME2,@P3 DATETIME2' (unnamed) ntext='"
                + sql
                + "' (unnamed) int=50 (unnamed) datetime2(7)='2026-12-07 12:00:00' (unnamed) "
                  "datetime2(7)='2026-12-07 15:00:00'";
    }
    QCOMPARE(aggregates, expected);
}

// A query that only SQLite takes must fail here as on a real server, prepared with bound values as
// the sweep sends its own, and as a plain batch.
void tst_Sweep::limitIsRefused_data()
{
    QTest::addColumn<bool>("prepared");
    QTest::newRow("prepared, bound values") << true;
    QTest::newRow("plain batch") << false;
}

void tst_Sweep::limitIsRefused()
{
    QFETCH(bool, prepared);
    MonitoringFixture fixture;
    QVERIFY2(buildSmallInstallation(fixture, Layout::Online), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture, kFrom, kTo);
    DbConnection connection;
    QVERIFY2(
        connection.open(settings.connection, settings.connection.SqlDatabase, settings.timeouts),
        qPrintable(connection.lastError()));
    const QString limited = SweepQueries::aggregate("ATR_Report_7_RAW", 1) + " LIMIT 10";
    const bool ran = prepared
        ? connection.execPrepared(limited, {50, settings.range.from(), settings.range.to()})
        : connection.exec(QString(limited).replace(" >= ?", " >= 0").replace(" < ?", " < '2027'"));
    QVERIFY(!ran);
    QCOMPARE(
        connection.lastError(), QString("[FreeTDS][SQL Server]Incorrect syntax near 'LIMIT'."));
}

void tst_Sweep::failureEndings_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no CPU report") << "no report"
                                   << "No Online CPU Reports Found";
    QTest::newRow("missing table") << "missing table"
                                   << "Invalid object name 'ATR_Report_12_RAW'.";
    QTest::newRow("missing database") << "missing database"
                                      << "ATR_Report_12";
    QTest::newRow("refused login") << "refused login"
                                   << "Login failed for user 'sa'.";
}

void tst_Sweep::failureEndings()
{
    QFETCH(QString, setup);
    QFETCH(QString, expected);
    MonitoringFixture fixture;
    if (setup == "no report")
        QVERIFY(fixture.addDatabase("SNMPCONLINE", reportTableStatements() + nodeTable()));
    else if (setup == "missing table")
        QVERIFY(fixture.addDatabase(
            "SNMPCONLINE", monitoringTables({"7", "12"}) + report7Samples("ATR_Report_7_RAW")));
    else if (setup == "missing database")
        QVERIFY(fixture.addDatabase("SNMPCONLINE", monitoringTables({"7", "12"}))
            && fixture.addDatabase("ATR_Report_7", report7Samples("RAW")));
    else
        QVERIFY(buildSmallInstallation(fixture, Layout::Online));
    SampleServer::Options options;
    if (setup == "refused login")
        options.logins = QStringList {"sa:secret"};
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    SweepEngine engine(settingsFor(fixture, kFrom, kTo));
    QVERIFY(!engine.run());
    QVERIFY2(engine.lastError().contains(expected), qPrintable(engine.lastError()));
    QVERIFY(!engine.wasCancelled());
}

// The connection goes away when the first aggregate query is sent.
void tst_Sweep::droppedConnectionFails()
{
    MonitoringFixture fixture;
    QVERIFY2(buildSmallInstallation(fixture, Layout::Online), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    QVERIFY(SweepEngine(settingsFor(fixture, kFrom, kTo)).run());
    const int aggregateRequest = firstAggregateNumber(fixture.server().loggedRequests());
    QVERIFY(aggregateRequest > 2);
    fixture.server().stop();
    SampleServer::Options options;
    options.dropAfter = aggregateRequest - 1;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    SweepEngine engine(settingsFor(fixture, kFrom, kTo));
    QVERIFY(!engine.run());
    QVERIFY2(!engine.lastError().isEmpty(), "no description");
    QVERIFY2(!engine.lastError().contains("Unable to connect"), qPrintable(engine.lastError()));
    QVERIFY(requestKinds(fixture.server().loggedRequests()).contains("DROP"));
}

// Like a test run: only the first report's table and database are looked for.
void tst_Sweep::noSampleStoreCountsNothing()
{
    MonitoringFixture fixture;
    QVERIFY(fixture.addDatabase(
        "SNMPCONLINE", monitoringTables() + report7Samples("ATR_Report_7_RAW")));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    SweepEngine engine(settingsFor(fixture, kFrom, kTo));
    const auto result = engine.sweep();
    QVERIFY2(result, qPrintable(engine.lastError()));
    QCOMPARE(result->store, SampleStore::NotFound);
    QVERIFY(result->rows.empty());
    QCOMPARE(result->reportIds, QList<qint32>({7, 12}));
}

// A cancel from another thread reaches the query the server holds back, long before its reply.
void tst_Sweep::cancelEndsAStalledQuery()
{
    MonitoringFixture fixture;
    QVERIFY2(buildSmallInstallation(fixture, Layout::Online), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    QVERIFY(SweepEngine(settingsFor(fixture, kFrom, kTo)).run());
    const int aggregateRequest = firstAggregateNumber(fixture.server().loggedRequests());
    QVERIFY(aggregateRequest > 2);
    fixture.server().stop();
    SampleServer::Options options;
    options.delayMs = 20000;
    options.delayFrom = aggregateRequest;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));

    SweepEngine engine(settingsFor(fixture, kFrom, kTo));
    std::unique_ptr<QThread> canceller(QThread::create([&engine] {
        QThread::msleep(500);
        engine.cancel();
    }));
    QElapsedTimer timer;
    timer.start();
    canceller->start();
    const auto result = engine.sweep();
    const qint64 elapsedMs = timer.elapsed();
    canceller->wait();
    QVERIFY(!result);
    QVERIFY2(engine.wasCancelled(), qPrintable(engine.lastError()));
    // Cancelled half a second in, ended within the following second.
    QVERIFY2(elapsedMs >= 500 && elapsedMs < 1500, qPrintable(QString::number(elapsedMs)));
    QVERIFY(requestKinds(fixture.server().loggedRequests()).contains("ATTENTION"));
}

QTEST_GUILESS_MAIN(tst_Sweep)
#include "tst_sweep.moc"
