#include "FileModes.h"
#include "MonitoringFixture.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString community = "trap-secret";

// One report, one device over the threshold, whose trap community the completed log shows.
QStringList installation()
{
    return reportTableStatements() << cpuReportRow("7", "'CPU Core Routers'", "300")
                                   << sampleTableStatement("ATR_Report_7_RAW")
                                   << "INSERT INTO ATR_Report_7_RAW VALUES (101, "
                                      "'2026-12-07 13:05:00', 90)"
                                   << "CREATE TABLE ATR_Nodes (node_id INTEGER, node_name TEXT, "
                                      "address TEXT, trapcomm TEXT)"
                                   << "INSERT INTO ATR_Nodes VALUES (101, 'core-rtr-01', "
                                      "'192.0.2.1', '"
        + community + "')";
}

} // namespace

// Every ending that writes the run log leaves it readable by its owner only, under any umask and
// whatever mode the previous log had.
class tst_RunLogMode : public QObject
{
    Q_OBJECT

private slots:
    void logForOwnerOnly_data();
    void logForOwnerOnly();
};

void tst_RunLogMode::logForOwnerOnly_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<int>("earlierMode");

    for (const int mode : {-1, 0644}) {
        const QByteArray earlier = mode < 0 ? "no earlier log" : "earlier log 0644";
        QTest::addRow("complete run, %s", earlier.constData()) << "SNMPCONLINE"
                                                               << "50" << 0 << mode;
        QTest::addRow("query failure, %s", earlier.constData()) << "Other"
                                                                << "50" << 1 << mode;
        QTest::addRow("settings failure, %s", earlier.constData()) << "SNMPCONLINE"
                                                                   << "abc" << 1 << mode;
    }
}

void tst_RunLogMode::logForOwnerOnly()
{
    QFETCH(QString, database);
    QFETCH(QString, threshold);
    QFETCH(int, warnings);
    QFETCH(int, earlierMode);

    const ScopedUmask permissive(0);
    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation()), qPrintable(fixture.error));
    QVERIFY2(
        fixture.addDatabase("Other", {"CREATE TABLE x (y INTEGER)"}), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.host.setReferenceTime(QDateTime(QDate(2026, 12, 7), QTime(14, 20, 5)));
    fixture.host.setText("txtOnlDatabase", database);
    fixture.host.setText("txtCpuLoadThreshold", threshold);
    fixture.host.setText("txtCpuOverThreshold", "1");
    const QString path = QDir(fixture.appDir()).filePath("ZU-TestCpuLoad.txt");
    if (earlierMode >= 0)
        QVERIFY(writeFileWithMode(path, "earlier run\r\n", earlierMode));

    TestRunDriver(fixture.host).run();

    QCOMPARE(fixture.host.warnings.size(), warnings);
    QCOMPARE(fixture.host.viewerPaths, QStringList {path});
    QCOMPARE(QString::number(fileMode(path), 8), QString("600"));
    const QString log = fixture.runLog();
    QVERIFY(!log.contains("earlier run"));
    QCOMPARE(log.contains(community), warnings == 0);
}

QTEST_GUILESS_MAIN(tst_RunLogMode)
#include "tst_runlogmode.moc"
