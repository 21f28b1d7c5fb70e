#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString hourCondition = "hist_time >= '2026-12-07 13:00:00' AND hist_time < '2026-12-07 "
                              "14:00:00' AND ProcessorLoad >= '50'";
const QString emptyHourCondition = "hist_time >= '' AND hist_time < '' AND ProcessorLoad >= '50'";

QString mainString(quint16 port)
{
    return QString("Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
                   "Catalog=SNMPCONLINE;User Id=sa;Password=")
        .arg(port);
}

QString reportString(quint16 port, int reportId)
{
    return QString("Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
                   "Catalog=ATR_Report_%2;User Id=sa;Password=")
        .arg(port)
        .arg(reportId);
}

QString discovery(quint16 port, bool external)
{
    QStringList all {"Connect OK to " + mainString(port), "Time = # ms", "",
        "*** Get All Reports based on Online Server CPU ***",
        "SELECT report_id, report_name, table_name, pollint FROM ATR_Reports WHERE "
        "table_name = 'CRATR-MIB|CRCpuEntry'",
        "Time = # ms", "", "report_id\treport_name\ttable_name\tpollint",
        "7\tCPU Core Routers\tCRATR-MIB|CRCpuEntry\t300",
        "12\tCPU Access Switches\tCRATR-MIB|CRCpuEntry\t60", "",
        "*** Get All Table Names in SnmpcOnline db ***", "SELECT name from sys.tables",
        "Time = # ms", "", "name", "ATR_Reports", "ATR_Nodes"};
    if (!external)
        all << "ATR_Report_7_RAW"
            << "ATR_Report_12_RAW";
    all << ""
        << QString("SqlExpress: ") + (external ? "True" : "False")
            + " (we need to check for more db on the Server)"
        << "";
    if (external) {
        all << "*** Get All db names on the server ***"
            << "SELECT name from sys.databases"
            << "Time = # ms"
            << ""
            << "name"
            << "master"
            << "tempdb"
            << "model"
            << "msdb"
            << "ATR_Report_12"
            << "ATR_Report_7"
            << "SNMPCONLINE"
            << ""
            << "SqlExtAtrDb: True (we have found external ATR Db on the Server)"
            << "";
    }
    return logLines(all);
}

QString nodeQueryBlock(const QString &table, const QString &bounds)
{
    return logLines({"*** Get All uniq node_id's with a cpu value >= cpu threshold ***",
        "SELECT DISTINCT node_id FROM " + table + " WHERE " + bounds, "Time = # ms", ""});
}

QString countBlock(const QString &table, const QString &node, const QString &times)
{
    return logLines(
        {"*** Count number of times node_id '" + node + "' has a cpu value >= cpu threshold ***",
            "SELECT COUNT(node_id) FROM " + table + " WHERE node_id = '" + node + "' AND "
                + hourCondition,
            "node_id\ttimes", node + "\t" + times, "Time = # ms", ""});
}

QString report7Counts(const QString &table)
{
    return countBlock(table, "101", "2") + countBlock(table, "102", "1")
        + countBlock(table, "104", "3");
}

QString report12Counts(const QString &table)
{
    return countBlock(table, "101", "1") + countBlock(table, "103", "4");
}

QString lookUpBlock(const QString &node, const QString &times, const QString &attributes)
{
    return logLines({"*** Get Attributes for recId '" + node + " '",
        "SELECT node_name, address, trapcomm FROM ATR_Nodes WHERE node_id = '" + node + "'",
        "node_id\ttimes\tname\taddress\ttrapcomm", node + "\t" + times + "\t" + attributes,
        "Time = # ms", ""});
}

QString summary(quint16 port)
{
    return lookUpBlock("101", "2", "core-rtr-01\t192.0.2.1\tpublic")
        + lookUpBlock("102", "1", "core-rtr-02\t192.0.2.2\tnoc-traps")
        + lookUpBlock("104", "3", "\t\t")
        + lookUpBlock("101", "1", "core-rtr-01\t192.0.2.1\tpublic")
        + lookUpBlock("103", "4", "edge-sw-03\t198.51.100.3\tmonitor")
        + logLines({"Disconnect OK from " + mainString(port), "",
            "Devices caught by Threshold Conditions.", "core-rtr-01\t2 times", "\t3 times",
            "edge-sw-03\t4 times", "", "", "Test Trap sent for one Device."});
}

QString sample(int node, const char *time, int load)
{
    return QString("INSERT INTO %4 VALUES (%1, '%2', %3)").arg(node).arg(time).arg(load);
}

// Report 7: node 101 twice at or over 50 inside the hour (and once just before and once at
// its end), 102 once exactly at 50, 104 three times but unknown to ATR_Nodes, 103 below.
QStringList report7Samples(const QString &table)
{
    QStringList rows {sample(101, "2026-12-07 12:55:00", 99),
        sample(101, "2026-12-07 13:00:00", 80), sample(101, "2026-12-07 13:05:00", 90),
        sample(101, "2026-12-07 13:10:00", 20), sample(101, "2026-12-07 14:00:00", 99),
        sample(102, "2026-12-07 13:30:00", 50), sample(103, "2026-12-07 13:40:00", 49),
        sample(104, "2026-12-07 13:15:00", 70), sample(104, "2026-12-07 13:20:00", 75),
        sample(104, "2026-12-07 13:25:00", 60)};
    for (QString &row : rows)
        row = row.arg(table);
    return QStringList {sampleTableStatement(table)} + rows;
}

// Report 12: node 101 once (below the occurrences), 103 four times.
QStringList report12Samples(const QString &table)
{
    QStringList rows {sample(101, "2026-12-07 13:50:00", 55),
        sample(103, "2026-12-07 13:01:00", 100), sample(103, "2026-12-07 13:02:00", 100),
        sample(103, "2026-12-07 13:03:00", 100), sample(103, "2026-12-07 13:59:59", 100)};
    for (QString &row : rows)
        row = row.arg(table);
    return QStringList {sampleTableStatement(table)} + rows;
}

QStringList monitoringTables()
{
    return reportTableStatements()
        << cpuReportRow("7", "'CPU Core Routers'", "300")
        << "INSERT INTO ATR_Reports VALUES (3, 'Interface Traffic', 'IF-MIB|ifEntry', 300, 'if')"
        << cpuReportRow("12", "'CPU Access Switches'", "60") << nodesTableStatement()
        << nodeRow(101, "core-rtr-01", "192.0.2.1", "public")
        << nodeRow(102, "core-rtr-02", "192.0.2.2", "noc-traps")
        << nodeRow(103, "edge-sw-03", "198.51.100.3", "monitor");
}

enum class Layout { Online, External };

bool buildInstallation(MonitoringFixture &fixture, Layout layout, bool withReport12 = true)
{
    if (layout == Layout::Online) {
        QStringList statements = monitoringTables() + report7Samples("ATR_Report_7_RAW");
        if (withReport12)
            statements += report12Samples("ATR_Report_12_RAW");
        return fixture.addDatabase("SNMPCONLINE", statements);
    }
    return fixture.addDatabase("SNMPCONLINE", monitoringTables())
        && fixture.addDatabase("ATR_Report_7", report7Samples("RAW"))
        && (!withReport12 || fixture.addDatabase("ATR_Report_12", report12Samples("RAW")));
}

void prepareHost(MonitoringFixture &fixture)
{
    fixture.host.setReferenceTime(QDateTime(QDate(2026, 12, 7), QTime(14, 20, 5)));
    fixture.host.setText(control::kTxtCpuLoadThreshold, "50");
    fixture.host.setText(control::kTxtCpuOverThreshold, "2");
}

} // namespace

Q_DECLARE_METATYPE(Layout)

// Whole runs against the sample server, compared with run logs written out by hand.
class tst_FullRun : public QObject
{
    Q_OBJECT

private slots:
    void completeRun_data();
    void completeRun();
    void hourOutsideMonitoringTime_data();
    void hourOutsideMonitoringTime();
    void laterReportWithoutSamples_data();
    void laterReportWithoutSamples();
    void everyCaughtNodeBeyondAThousand();
    void tickCounterWrapsDuringRun();

private:
    static void layoutRows();
};

// The rows of every test that runs once on each layout.
void tst_FullRun::layoutRows()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("samples in the monitoring database") << Layout::Online;
    QTest::newRow("samples in report databases") << Layout::External;
}

void tst_FullRun::completeRun_data()
{
    layoutRows();
}

void tst_FullRun::completeRun()
{
    QFETCH(Layout, layout);

    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, layout), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    prepareHost(fixture);

    TestRunDriver(fixture.host).run();

    const quint16 port = fixture.port();
    QString expected = discovery(port, layout == Layout::External);
    if (layout == Layout::Online) {
        expected += nodeQueryBlock("ATR_Report_7_RAW", hourCondition)
            + report7Counts("ATR_Report_7_RAW") + nodeQueryBlock("ATR_Report_12_RAW", hourCondition)
            + report12Counts("ATR_Report_12_RAW");
    } else {
        for (int id : {7, 12}) {
            expected += logLines({"Connect OK to " + reportString(port, id), "Time = # ms", ""})
                + nodeQueryBlock("RAW", hourCondition)
                + (id == 7 ? report7Counts("RAW") : report12Counts("RAW"))
                + logLines({"Disconnect OK from " + reportString(port, id), ""});
        }
    }
    expected += summary(port) + kCrlf;

    const QString log = fixture.runLog();
    QCOMPARE(withoutTimings(log), expected);
    QVERIFY(fixture.host.warnings.isEmpty());
    QCOMPARE(fixture.host.events,
        QStringList({"disabled", "viewer:" + fixture.runLogPath(), "enabled"}));
    // One test-trap pause of 50 cycles, and the 20 + 50 cycles of showing the log.
    QCOMPARE(fixture.host.processEventsCalls, 120);
    if (layout == Layout::External) {
        // A report's second timing line counts from the same start as its connect line.
        const QList<quint32> figures = timingFigures(log);
        QVERIFY(figures.size() > 6);
        QVERIFY(figures.at(5) >= figures.at(4));
    }
}

void tst_FullRun::hourOutsideMonitoringTime_data()
{
    layoutRows();
}

void tst_FullRun::hourOutsideMonitoringTime()
{
    QFETCH(Layout, layout);

    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, layout), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    prepareHost(fixture);
    fixture.host.setReferenceTime(QDateTime(QDate(2026, 12, 7), QTime(3, 10)));

    TestRunDriver(fixture.host).run();

    const quint16 port = fixture.port();
    QString expected = discovery(port, layout == Layout::External);
    if (layout == Layout::Online) {
        expected += nodeQueryBlock("ATR_Report_7_RAW", emptyHourCondition)
            + nodeQueryBlock("ATR_Report_12_RAW", emptyHourCondition);
    } else {
        for (int id : {7, 12}) {
            expected += logLines({"Connect OK to " + reportString(port, id), "Time = # ms", ""})
                + nodeQueryBlock("RAW", emptyHourCondition)
                + logLines({"Disconnect OK from " + reportString(port, id), ""});
        }
    }
    expected += logLines({"Disconnect OK from " + mainString(port), "",
        "Devices caught by Threshold Conditions.", ""});
    QCOMPARE(withoutTimings(fixture.runLog()), expected);
    QCOMPARE(fixture.host.processEventsCalls, 70);
}

void tst_FullRun::laterReportWithoutSamples_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("missing table") << Layout::Online;
    QTest::newRow("missing database") << Layout::External;
}

void tst_FullRun::laterReportWithoutSamples()
{
    QFETCH(Layout, layout);

    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, layout, false), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    prepareHost(fixture);

    TestRunDriver(fixture.host).run();

    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString description = fixture.host.warnings.first();
    const quint16 port = fixture.port();
    QString expected;
    if (layout == Layout::Online) {
        QVERIFY2(description.contains("Invalid object name 'ATR_Report_12_RAW'"),
            qPrintable(description));
        expected = discovery(port, false).replace("ATR_Report_12_RAW\r\n", "")
            + nodeQueryBlock("ATR_Report_7_RAW", hourCondition) + report7Counts("ATR_Report_7_RAW")
            + logLines({"*** Get All uniq node_id's with a cpu value >= cpu threshold ***",
                "SELECT DISTINCT node_id FROM ATR_Report_12_RAW WHERE " + hourCondition, "",
                description});
    } else {
        expected = discovery(port, true).replace("ATR_Report_12\r\n", "")
            + logLines({"Connect OK to " + reportString(port, 7), "Time = # ms", ""})
            + nodeQueryBlock("RAW", hourCondition) + report7Counts("RAW")
            + logLines({"Disconnect OK from " + reportString(port, 7), "", "", description});
    }
    QCOMPARE(withoutTimings(fixture.runLog()), expected);
    QCOMPARE(fixture.host.events,
        QStringList(
            {"disabled", "enabled", "viewer:" + fixture.runLogPath(), "warning:" + description}));
}

void tst_FullRun::everyCaughtNodeBeyondAThousand()
{
    constexpr int nodes = 1005;
    MonitoringFixture fixture;
    QStringList statements = monitoringTables()
        << sampleTableStatement("ATR_Report_7_RAW") << "DELETE FROM ATR_Nodes";
    statements.removeIf([](const QString &s) { return s.contains("'CPU Access Switches'"); });
    for (int node = 1; node <= nodes; ++node) {
        statements << QString("INSERT INTO ATR_Report_7_RAW VALUES (%1, '2026-12-07 13:30:00', 90)")
                          .arg(node)
                   << nodeRow(node, QString("dev-%1").arg(node), "192.0.2.9", "c");
    }
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", statements), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    prepareHost(fixture);
    fixture.host.setText(control::kTxtCpuOverThreshold, "1");

    TestRunDriver(fixture.host).run();

    const QString log = fixture.runLog();
    QVERIFY(fixture.host.warnings.isEmpty());
    const qsizetype summaryAt = log.indexOf("Devices caught by Threshold Conditions.\r\n");
    QVERIFY(summaryAt > 0);
    const QStringList summaryLines = log.mid(summaryAt).split(kCrlf).mid(1, nodes);
    for (int node = 1; node <= nodes; ++node)
        QCOMPARE(summaryLines.at(node - 1), QString("dev-%1\t1 times").arg(node));
    QCOMPARE(log.count("*** Get Attributes for recId '"), nodes);
    QVERIFY(log.endsWith("\r\n\r\n\r\nTest Trap sent for one Device.\r\n\r\n"));
}

void tst_FullRun::tickCounterWrapsDuringRun()
{
    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, Layout::Online), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    prepareHost(fixture);
    // The counter starts just below 2^32 and passes the wrap after a few readings.
    quint32 tick = 4294967290u;
    fixture.host.setTickSource([&tick] { return tick++; });

    TestRunDriver(fixture.host).run();

    const QList<quint32> figures = timingFigures(fixture.runLog());
    QVERIFY(figures.size() > 10);
    for (quint32 figure : figures)
        QVERIFY2(figure <= 1, qPrintable(QString::number(figure)));
    QVERIFY(tick < 100);
}

QTEST_GUILESS_MAIN(tst_FullRun)
#include "tst_fullrun.moc"
