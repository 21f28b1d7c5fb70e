#include "MonitoringFixture.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

constexpr int runCount = 200;

// The report keeps its samples in a database of its own, so every run opens and closes a
// second connection besides the main one.
bool buildInstallation(MonitoringFixture &fixture)
{
    return fixture.addDatabase("SNMPCONLINE",
               reportTableStatements()
                   << cpuReportRow("7", "'CPU Core Routers'", "300") << nodesTableStatement()
                   << nodeRow(101, "core-rtr-01", "192.0.2.1", "public"))
        && fixture.addDatabase("ATR_Report_7",
            {sampleTableStatement("RAW"), "INSERT INTO RAW VALUES (101, '2026-12-07 13:05:00', 90)",
                "INSERT INTO RAW VALUES (101, '2026-12-07 13:10:00', 95)"});
}

int openDescriptors()
{
    return int(QDir("/proc/self/fd")
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace

// Many runs in one process, as an operator trying settings all day: nothing may pile up.
class tst_RepeatedRuns : public QObject
{
    Q_OBJECT

private slots:
    void descriptorsStayFlat();
};

void tst_RepeatedRuns::descriptorsStayFlat()
{
    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.host.setReferenceTime(QDateTime(QDate(2026, 12, 7), QTime(14, 20, 5)));
    fixture.host.setText(control::kTxtCpuLoadThreshold, "50");
    fixture.host.setText(control::kTxtCpuOverThreshold, "1");

    // The first run loads the driver manager, the driver and its configuration for good.
    TestRunDriver(fixture.host).run();
    QVERIFY2(fixture.host.warnings.isEmpty(), qPrintable(fixture.host.warnings.join('\n')));
    QVERIFY(fixture.runLog().contains("Disconnect OK from"));
    const int before = openDescriptors();

    QElapsedTimer timer;
    timer.start();
    for (int run = 2; run <= runCount; ++run)
        TestRunDriver(fixture.host).run();
    const qint64 elapsed = timer.elapsed();
    const int after = openDescriptors();
    qInfo("%d runs, %lld ms per run after the first; open descriptors %d after the first run, %d "
          "after the last",
        runCount, elapsed / (runCount - 1), before, after);

    QVERIFY2(fixture.host.warnings.isEmpty(), qPrintable(fixture.host.warnings.value(0)));
    QCOMPARE(fixture.host.viewerPaths.size(), runCount);
    QVERIFY(fixture.runLog().contains("Test Trap sent for one Device."));
    QVERIFY2(after <= before, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
}

QTEST_GUILESS_MAIN(tst_RepeatedRuns)
#include "tst_repeatedruns.moc"
