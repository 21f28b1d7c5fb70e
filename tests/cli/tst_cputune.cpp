#include "CheckProcess.h"
#include "MonitoringFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tovik::test;

namespace {

// Online with a second report, 8, whose table holds no sample of the range.
enum class Layout { Online, External, OnlineWithEmptyReport };

const QString password = "S3cret-pw";

// Report 7 from 12:00 to 15:00, monitored from 13:00, so hour 12 and its 99s count nowhere.
//   hour 13: node 101 55 65 75, node 102 60 70, node 103 45
//   hour 14: node 101 72, node 102 50 51 52, node 103 65
// Samples at or over 50 / 60 / 70 per node-hour (101, 102, 103):
//   hour 13: 3 2 0 / 2 2 0 / 1 1 0;  hour 14: 1 3 1 / 1 0 1 / 1 0 0
// So at 50: occurrences 1 catches 2 + 3 device-hours (3 devices, peak 3), 2 catches 2 + 1
// (101, 102), 3 catches 1 + 1; at 60: 2 + 2, then 2 + 0, then none; at 70: 2 + 1, then none.
// Over 3 hours an alarm is 8 a day.
const QByteArray expectedCsv = "threshold,occurrences,alarms,devices,hours,peak\r\n"
                               "50,1,5,3,2,3\r\n"
                               "50,2,3,2,2,2\r\n"
                               "50,3,2,2,2,1\r\n"
                               "60,1,4,3,2,2\r\n"
                               "60,2,2,2,1,2\r\n"
                               "60,3,0,0,0,0\r\n"
                               "70,1,3,2,2,2\r\n"
                               "70,2,0,0,0,0\r\n"
                               "70,3,0,0,0,0\r\n";

QStringList samples(const QString &table)
{
    QStringList statements {sampleTableStatement(table)};
    for (const char *row : {"101, '2026-12-07 12:10:00', 99", "101, '2026-12-07 12:20:00', 99",
             "101, '2026-12-07 13:05:00', 55", "101, '2026-12-07 13:10:00', 65",
             "101, '2026-12-07 13:15:00', 75", "102, '2026-12-07 13:20:00', 60",
             "102, '2026-12-07 13:25:00', 70", "103, '2026-12-07 13:30:00', 45",
             "101, '2026-12-07 14:00:00', 72", "102, '2026-12-07 14:05:00', 50",
             "102, '2026-12-07 14:10:00', 51", "102, '2026-12-07 14:15:00', 52",
             "103, '2026-12-07 14:59:59', 65", "101, '2026-12-07 15:00:00', 99"})
        statements << QString("INSERT INTO %1 VALUES (%2)").arg(table, row);
    return statements;
}

bool serve(MonitoringFixture &fixture, Layout layout)
{
    QStringList monitoring = reportTableStatements()
        << cpuReportRow("7", "'CPU Core Routers'", "300") << nodesTableStatement()
        << nodeRow(101, "core-rtr-01", "192.0.2.1", "public");
    if (layout == Layout::OnlineWithEmptyReport) {
        monitoring << cpuReportRow("8", "'CPU Edge Switches'", "300")
                   << sampleTableStatement("ATR_Report_8_RAW")
                   << "INSERT INTO ATR_Report_8_RAW VALUES (201, '2026-12-07 11:55:00', 80)";
    }
    const bool built = layout != Layout::External
        ? fixture.addDatabase("SNMPCONLINE", monitoring + samples("ATR_Report_7_RAW"))
        : fixture.addDatabase("SNMPCONLINE", monitoring)
            && fixture.addDatabase("ATR_Report_7", samples("RAW"));
    SampleServer::Options options;
    options.logins = {"sa:" + password};
    return built && fixture.startServer(options);
}

const QStringList handChecked {"--from", "2026-12-07 12:00:00", "--to", "2026-12-07 15:00:00",
    "--monitoring", "13-24", "--thresholds", "50-70/10", "--occurrences-up-to", "3"};

CheckRun tune(const MonitoringFixture &fixture, const QStringList &more)
{
    return runCheck(QStringList {"tune", "--auth", "remote", "--server", "127.0.0.1", "--port",
                        QString::number(fixture.port())}
            + handChecked + more,
        withPassword(password));
}

int aggregateQueries(MonitoringFixture &fixture)
{
    int queries = 0;
    for (const LoggedRequest &request : fixture.server().loggedRequests())
        queries += request.detail.contains("SUM(CASE WHEN") ? 1 : 0;
    return queries;
}

} // namespace

class tst_CpuTune : public QObject
{
    Q_OBJECT

private slots:
    void csvOfHandCheckedData_data();
    void csvOfHandCheckedData();
    void noSamplesNoAnswer_data();
    void noSamplesNoAnswer();
    void budgetRecommends_data();
    void budgetRecommends();
    void tableMarksCellsWithinBudget_data();
    void tableMarksCellsWithinBudget();
    void badArgumentsKeepOutput_data();
    void badArgumentsKeepOutput();
};

void tst_CpuTune::csvOfHandCheckedData_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("online") << Layout::Online << QStringList() << expectedCsv << QByteArray();
    QTest::newRow("external") << Layout::External << QStringList() << expectedCsv << QByteArray();
    QTest::newRow("a report without samples named, the csv as before")
        << Layout::OnlineWithEmptyReport << QStringList() << expectedCsv
        << QByteArray("no CPU samples from 2026-12-07 12:00 to 2026-12-07 15:00 in report 8 (CPU "
                      "Edge Switches)\n");
    // Alarms a day at 50 / 60 / 70: occurrences 1 40 32 24, 2 24 16 0, 3 16 0 0.
    QTest::newRow("budget: within it and the lowest threshold within it")
        << Layout::Online << QStringList {"--budget", "20"}
        << QByteArray("threshold,occurrences,alarms,devices,hours,peak,within_budget,"
                      "recommended\r\n"
                      "50,1,5,3,2,3,0,0\r\n"
                      "50,2,3,2,2,2,0,0\r\n"
                      "50,3,2,2,2,1,1,1\r\n"
                      "60,1,4,3,2,2,0,0\r\n"
                      "60,2,2,2,1,2,1,1\r\n"
                      "60,3,0,0,0,0,1,0\r\n"
                      "70,1,3,2,2,2,0,0\r\n"
                      "70,2,0,0,0,0,1,0\r\n"
                      "70,3,0,0,0,0,1,0\r\n")
        << QByteArray();
    // Three samples are the most of a monitored hour, and 75 the highest monitored load: the 99s
    // of hours 12 and 15 lie outside.
    QTest::newRow("never fires: 4 occurrences, threshold 80")
        << Layout::Online
        << QStringList {"--thresholds", "60-80/10", "--occurrences-up-to", "4", "--budget", "100"}
        << QByteArray("threshold,occurrences,alarms,devices,hours,peak,never_fires,within_budget,"
                      "recommended\r\n"
                      "60,1,4,3,2,2,0,1,1\r\n"
                      "60,2,2,2,1,2,0,1,1\r\n"
                      "60,3,0,0,0,0,0,1,1\r\n"
                      "60,4,0,0,0,0,1,0,0\r\n"
                      "70,1,3,2,2,2,0,1,0\r\n"
                      "70,2,0,0,0,0,0,1,0\r\n"
                      "70,3,0,0,0,0,0,1,0\r\n"
                      "70,4,0,0,0,0,1,0,0\r\n"
                      "80,1,0,0,0,0,1,0,0\r\n"
                      "80,2,0,0,0,0,1,0,0\r\n"
                      "80,3,0,0,0,0,1,0,0\r\n"
                      "80,4,0,0,0,0,1,0,0\r\n")
        << QByteArray();
}

// Every threshold and occurrences value from one aggregate query of each report.
void tst_CpuTune::csvOfHandCheckedData()
{
    QFETCH(Layout, layout);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, err);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, layout), qPrintable(fixture.error));

    const CheckRun run = tune(fixture, arguments);

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, csv);
    QCOMPARE(run.err, err);
    QCOMPARE(aggregateQueries(fixture), layout == Layout::OnlineWithEmptyReport ? 2 : 1);
}

void tst_CpuTune::noSamplesNoAnswer_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QString>("reports");
    QTest::newRow("one report") << Layout::External << "in the one CPU report";
    QTest::newRow("two reports") << Layout::OnlineWithEmptyReport << "in any of the 2 CPU reports";
}

// A range after the last sample: no counts, exit 3, and the old output as it was.
void tst_CpuTune::noSamplesNoAnswer()
{
    QFETCH(Layout, layout);
    QFETCH(QString, reports);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, layout), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("tune.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
    old.close();

    const CheckRun run
        = runCheck(QStringList {"tune", "--auth", "remote", "--server", "127.0.0.1", "--port",
                       QString::number(fixture.port()), "--at", "2027-06-01 00:00:00", "--last",
                       "24", "--budget", "20", "--output", path},
            withPassword(password));

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(errorLine(run),
        "CPU LOAD UNKNOWN - no CPU samples from 2027-05-31 00:00 to 2027-06-01 00:00 " + reports);
    QCOMPARE(fileBytes(path), QByteArray("old\n"));
}

void tst_CpuTune::budgetRecommends_data()
{
    QTest::addColumn<QString>("budget");
    QTest::addColumn<int>("occurrencesUpTo");
    QTest::addColumn<QVariantList>("thresholds");

    // Alarms a day at 50 / 60 / 70: occurrences 1 40 32 24, 2 24 16 0, 3 16 0 0.
    QTest::newRow("20 a day") << "20" << 3 << QVariantList {QVariant(), 60, 50};
    QTest::newRow("24 a day, within at equality") << "24" << 3 << QVariantList {70, 50, 50};
    QTest::newRow("under one a day") << "0.5e-3" << 3 << QVariantList {QVariant(), 70, 60};
    // No monitored hour held four samples of a device: its zero alarms are no recommendation.
    QTest::newRow("more occurrences than samples in an hour")
        << "20" << 4 << QVariantList {QVariant(), 60, 50, QVariant()};
}

void tst_CpuTune::budgetRecommends()
{
    QFETCH(QString, budget);
    QFETCH(int, occurrencesUpTo);
    QFETCH(QVariantList, thresholds);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Layout::Online), qPrintable(fixture.error));

    const CheckRun run = tune(fixture,
        {"--format", "json", "--budget", budget, "--occurrences-up-to",
            QString::number(occurrencesUpTo)});

    QCOMPARE(run.exitCode, 0);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject settings = root["settings"].toObject();
    QCOMPARE(settings["from"].toString(), QString("2026-12-07 12:00:00"));
    QCOMPARE(settings["hours"].toInt(), 3);
    QCOMPARE(settings["monitoring"]["start"].toInt(), 13);
    QCOMPARE(settings["occurrences_up_to"].toInt(), occurrencesUpTo);
    QCOMPARE(settings["budget"].toDouble(), budget.toDouble());
    QCOMPARE(root["ladder"].toArray(), (QJsonArray {50, 60, 70}));
    QCOMPARE(root["limits"]["most_samples_in_an_hour"].toInt(), 3);
    QVERIFY(root["limits"]["no_load_at_or_over"].isNull());
    const QJsonArray cells = root["cells"].toArray();
    QCOMPARE(cells.size(), 3 * occurrencesUpTo);
    for (const QJsonValue cell : cells)
        QCOMPARE(cell["never_fires"].toBool(), cell["occurrences"].toInt() > 3);
    const QJsonObject fifty2 = cells[1].toObject();
    QCOMPARE(fifty2["threshold"].toInt(), 50);
    QCOMPARE(fifty2["occurrences"].toInt(), 2);
    QCOMPARE(fifty2["alarms"].toInt(), 3);
    QCOMPARE(fifty2["devices"].toInt(), 2);
    QCOMPARE(fifty2["peak"].toInt(), 2);
    QCOMPARE(fifty2["alarms_per_day"].toDouble(), 24.0);
    const QJsonArray recommendation = root["recommendation"].toArray();
    QCOMPARE(recommendation.size(), thresholds.size());
    for (int i = 0; i < thresholds.size(); ++i) {
        QCOMPARE(recommendation[i]["occurrences"].toInt(), i + 1);
        const QJsonValue threshold = recommendation[i]["threshold"];
        if (thresholds[i].isNull())
            QVERIFY2(threshold.isNull(), qPrintable(QString::number(i + 1)));
        else
            QCOMPARE(threshold.toInt(), thresholds[i].toInt());
    }
}

void tst_CpuTune::tableMarksCellsWithinBudget_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("recommendation");

    QTest::newRow("every setting can fire") << QStringList()
                                            << "threshold down, occurrences across\n"
                                               "         1     2     3\n"
                                               " 50 % 40.0  24.0  16.0*\n"
                                               " 60 % 32.0  16.0*  0.0*\n"
                                               " 70 % 24.0   0.0*  0.0*\n"
                                            << "  occurrences 1  none\n"
                                               "  occurrences 2  from 60 %\n"
                                               "  occurrences 3  from 50 %\n";
    QTest::newRow("never fires beyond 3 samples and from 80 %")
        << QStringList {"--thresholds", "60-80/10", "--occurrences-up-to", "4"}
        << "threshold down, occurrences across\n"
           "         1     2     3     4\n"
           " 60 % 32.0  16.0*  0.0*    -\n"
           " 70 % 24.0   0.0*  0.0*    -\n"
           " 80 %    -     -     -     -\n"
           "\n"
           "- never fires on this data: at most 3 samples in an hour, no load at or over 80 %\n"
        << "  occurrences 1  none\n"
           "  occurrences 2  from 60 %\n"
           "  occurrences 3  from 60 %\n"
           "  occurrences 4  never fires\n";
}

void tst_CpuTune::tableMarksCellsWithinBudget()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, table);
    QFETCH(QString, recommendation);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Layout::External), qPrintable(fixture.error));

    const CheckRun run
        = tune(fixture, QStringList {"--format", "table", "--budget", "20"} + arguments);

    QCOMPARE(run.exitCode, 0);
    const QString text = QString::fromUtf8(run.out);
    QVERIFY2(
        text.contains("2026-12-07 12:00:00 to 2026-12-07 15:00:00, 3 hours, monitoring 13-24\n"),
        qPrintable(text));
    QVERIFY2(text.contains(table), qPrintable(text));
    QVERIFY2(text.endsWith("* within the budget\n"
                           "at most 20 alarms a day:\n"
                 + recommendation),
        qPrintable(text));
    QCOMPARE(aggregateQueries(fixture), 1);
}

void tst_CpuTune::badArgumentsKeepOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    QTest::newRow("reversed ladder")
        << QStringList {"--thresholds", "10-5/5"} << "--thresholds: '10-5/5' is not FROM-TO/STEP";
    QTest::newRow("too many thresholds")
        << QStringList {"--thresholds", "0-1000/1"} << "has more than 101 thresholds";
    QTest::newRow("occurrences up to 0") << QStringList {"--occurrences-up-to", "0"}
                                         << "--occurrences-up-to takes 1 to 1000, not '0'";
    QTest::newRow("occurrences up to 1001") << QStringList {"--occurrences-up-to", "1001"}
                                            << "--occurrences-up-to takes 1 to 1000, not '1001'";
    QTest::newRow("negative budget")
        << QStringList {"--budget", "-1"} << "--budget takes a number of alarms a day from 0 on";
    QTest::newRow("budget not a number") << QStringList {"--budget", "abc"} << "not 'abc'";
    QTest::newRow("infinite budget") << QStringList {"--budget", "inf"} << "not 'inf'";
    QTest::newRow("a sweep's threshold") << QStringList {"--threshold", "50"} << "threshold";
    QTest::newRow("monitoring past midnight")
        << QStringList {"--monitoring", "22-6"} << "it does not wrap past midnight";
    QTest::newRow("negative lead")
        << QStringList {"--lead", "-1"} << "--lead takes whole hours from 0 to 744, not '-1'";
    QTest::newRow("held-out days as long as the range")
        << QStringList {"--last", "48", "--budget", "5", "--hold-out", "2"}
        << "--hold-out takes whole days from 1, less than the range of 48 hours, not '2'";
    QTest::newRow("held-out days without a budget")
        << QStringList {"--last", "49", "--hold-out", "2"} << "--hold-out needs --budget";
    QTest::newRow("incidents file with a bad line")
        << QStringList {"--incidents", "INCIDENTS"}
        << "incidents.csv, line 3: the end 2026-12-07 08:00:00 is not after the start "
           "2026-12-07 09:00:00";
}

// Refused before any connection: one UNKNOWN line, exit 3, and the old output as it was.
void tst_CpuTune::badArgumentsKeepOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("tune.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
    old.close();
    const QString incidentsPath = dir.filePath("incidents.csv");
    QFile incidents(incidentsPath);
    QVERIFY(incidents.open(QIODevice::WriteOnly));
    incidents.write("start,end,device,note\n"
                    "2026-12-07 08:00:00,2026-12-07 09:00:00,core-rtr-01,\n"
                    "2026-12-07 09:00:00,2026-12-07 08:00:00,,swapped\n");
    incidents.close();
    arguments.replaceInStrings("INCIDENTS", incidentsPath);

    const CheckRun run = runCheck(QStringList {"tune", "--output", path} + arguments);

    QCOMPARE(run.exitCode, 3);
    const QString line = errorLine(run);
    QVERIFY2(line.startsWith("CPU LOAD UNKNOWN - ") && line.contains(reason), qPrintable(line));
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(fileBytes(path), QByteArray("old\n"));
}

QTEST_GUILESS_MAIN(tst_CpuTune)
#include "tst_cputune.moc"
