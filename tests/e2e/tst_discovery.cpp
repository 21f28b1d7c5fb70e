#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

QString connectAndReports(quint16 port, const QStringList &reportLines)
{
    return logLines(
        QStringList {
            "Connect OK to Provider=SQLOLEDB;Network Library=DBMSSOCN;Data "
            "Source=127.0.0.1,"
                + QString::number(port) + ";Initial Catalog=SNMPCONLINE;User Id=sa;Password=",
            "Time = # ms",
            "",
            "*** Get All Reports based on Online Server CPU ***",
            "SELECT report_id, report_name, table_name, pollint FROM ATR_Reports WHERE "
            "table_name = 'CRATR-MIB|CRCpuEntry'",
            "Time = # ms",
            "",
            "report_id\treport_name\ttable_name\tpollint",
        }
        + reportLines);
}

QString tableSearch(const QStringList &tables, bool sqlExpress)
{
    return logLines(QStringList {"", "*** Get All Table Names in SnmpcOnline db ***",
                        "SELECT name from sys.tables", "Time = # ms", "", "name"}
        + tables
        + QStringList {"",
            QString("SqlExpress: ") + (sqlExpress ? "True" : "False")
                + " (we need to check for more db on the Server)",
            ""});
}

QString databaseSearch(const QStringList &databases, bool found)
{
    return logLines(QStringList {"*** Get All db names on the server ***",
                        "SELECT name from sys.databases", "Time = # ms", "", "name"}
        + databases
        + QStringList {"",
            QString("SqlExtAtrDb: ") + (found ? "True" : "False")
                + " (we have found external ATR Db on the Server)",
            ""});
}

QString noStoreAndEmptySummary(quint16 port)
{
    return logLines({"", "No External ATR Databases could be found on the server",
        "Disconnect OK from Provider=SQLOLEDB;Network Library=DBMSSOCN;Data "
        "Source=127.0.0.1,"
            + QString::number(port) + ";Initial Catalog=SNMPCONLINE;User Id=sa;Password=",
        "", "Devices caught by Threshold Conditions."});
}

} // namespace

// What the run learns about the CPU reports and where their samples are.
class tst_Discovery : public QObject
{
    Q_OBJECT

private slots:
    void noCpuReport();
    void noSampleStore_data();
    void noSampleStore();
    void unconvertibleReportValues();
    void moreThanHundredReports();
};

void tst_Discovery::noCpuReport()
{
    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE",
                 reportTableStatements() << "INSERT INTO ATR_Reports VALUES (3, 'Traffic', "
                                            "'IF-MIB|ifEntry', 300, 'x')"),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    TestRunDriver(fixture.host).run();

    const QString message = "No Online CPU Reports Found";
    QCOMPARE(withoutTimings(fixture.runLog()),
        connectAndReports(fixture.port(), {}) + kCrlf + message + kCrlf);
    QCOMPARE(fixture.host.events,
        QStringList(
            {"disabled", "enabled", "viewer:" + fixture.runLogPath(), "warning:" + message}));
    // No catalog query was sent after the report query.
    QVERIFY(!fixture.server().logText().contains("sys.tables"));
}

void tst_Discovery::noSampleStore_data()
{
    QTest::addColumn<QString>("tableName");
    QTest::addColumn<QString>("otherDatabase");

    QTest::newRow("table differs in letter case") << "atr_report_7_raw"
                                                  << "";
    QTest::newRow("only a later report's table") << "ATR_Report_12_RAW"
                                                 << "";
    QTest::newRow("database named like the table") << ""
                                                   << "ATR_Report_7_RAW";
    QTest::newRow("database of a later report") << ""
                                                << "ATR_Report_12";
}

void tst_Discovery::noSampleStore()
{
    QFETCH(QString, tableName);
    QFETCH(QString, otherDatabase);

    MonitoringFixture fixture;
    QStringList statements = reportTableStatements()
        << cpuReportRow("7", "'CPU Core'", "300") << cpuReportRow("12", "'CPU Edge'", "60")
        << nodesTableStatement();
    if (!tableName.isEmpty())
        statements << sampleTableStatement(tableName);
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", statements), qPrintable(fixture.error));
    if (!otherDatabase.isEmpty())
        QVERIFY2(fixture.addDatabase(otherDatabase, {sampleTableStatement("RAW")}),
            qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    TestRunDriver(fixture.host).run();

    QStringList tables {"ATR_Reports", "ATR_Nodes"};
    if (!tableName.isEmpty())
        tables << tableName;
    QStringList databases {"master", "tempdb", "model", "msdb"};
    databases << (otherDatabase.isEmpty() ? QStringList {"SNMPCONLINE"}
                                          : QStringList {otherDatabase, "SNMPCONLINE"});
    std::sort(databases.begin() + 4, databases.end());
    const QString expected
        = connectAndReports(fixture.port(),
              {"7\tCPU Core\tCRATR-MIB|CRCpuEntry\t300", "12\tCPU Edge\tCRATR-MIB|CRCpuEntry\t60"})
        + tableSearch(tables, true) + databaseSearch(databases, false)
        + noStoreAndEmptySummary(fixture.port()) + kCrlf;
    QCOMPARE(withoutTimings(fixture.runLog()), expected);
    QVERIFY(fixture.host.warnings.isEmpty());
    QVERIFY(fixture.host.testEnabled);
}

void tst_Discovery::unconvertibleReportValues()
{
    MonitoringFixture fixture;
    QVERIFY2(
        fixture.addDatabase("SNMPCONLINE",
            reportTableStatements()
                << cpuReportRow("7", "'CPU Core'", "NULL")
                << cpuReportRow("NULL", "'No Id'", "40000") << cpuReportRow("9", "NULL", "-40000")
                << nodesTableStatement() << sampleTableStatement("ATR_Report_7_RAW")),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.host.setReferenceTime(QDateTime(QDate(2026, 12, 7), QTime(14, 20)));

    TestRunDriver(fixture.host).run();

    const QString log = withoutTimings(fixture.runLog());
    QVERIFY2(log.startsWith(
                 connectAndReports(fixture.port(),
                     {"7\tCPU Core\tCRATR-MIB|CRCpuEntry\t", "\tNo Id\tCRATR-MIB|CRCpuEntry\t40000",
                         "9\t\tCRATR-MIB|CRCpuEntry\t-40000"})
                 + tableSearch({"ATR_Reports", "ATR_Nodes", "ATR_Report_7_RAW"}, false)),
        qPrintable(log));
    // The report without an id is not counted; report 9 has no table of its own and ends the run.
    QCOMPARE(log.count("*** Get All uniq node_id's"), 2);
    QVERIFY(log.contains("FROM ATR_Report_9_RAW WHERE"));
    QVERIFY(!log.contains("ATR_Report_0_RAW"));
    QCOMPARE(fixture.host.warnings.size(), 1);
    QVERIFY(fixture.host.warnings.first().contains("Invalid object name 'ATR_Report_9_RAW'"));
    QVERIFY(log.endsWith(kCrlf + fixture.host.warnings.first() + kCrlf));
}

void tst_Discovery::moreThanHundredReports()
{
    MonitoringFixture fixture;
    QStringList statements = reportTableStatements() << nodesTableStatement();
    QStringList reportLines;
    QStringList tables {"ATR_Reports", "ATR_Nodes"};
    for (int id = 1; id <= 103; ++id) {
        statements << cpuReportRow(QString::number(id), QString("'R%1'").arg(id), "300")
                   << sampleTableStatement(QString("ATR_Report_%1_RAW").arg(id));
        reportLines << QString("%1\tR%1\tCRATR-MIB|CRCpuEntry\t300").arg(id);
        tables << QString("ATR_Report_%1_RAW").arg(id);
    }
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", statements), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    TestRunDriver(fixture.host).run();

    const QString log = withoutTimings(fixture.runLog());
    QVERIFY(log.startsWith(
        connectAndReports(fixture.port(), reportLines) + tableSearch(tables, false)));
    // Every report is counted, the 101st and later ones too.
    QCOMPARE(log.count("*** Get All uniq node_id's"), 103);
    QVERIFY(log.contains("FROM ATR_Report_103_RAW WHERE"));
    QVERIFY(fixture.host.warnings.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Discovery)
#include "tst_discovery.moc"
