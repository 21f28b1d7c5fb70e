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

// The day before, only hour 14 of 2026-12-06 holds samples: node 101 55 62 48, node 102 30. Held
// out from there, a day is chosen on that one quiet hour: 50 % catches 101 with 1 or 2
// occurrences, 60 % with 1, so 24 alarms a day; nothing reaches 70 %.
QStringList samples(const QString &table)
{
    QStringList statements {sampleTableStatement(table)};
    for (const char *row : {"101, '2026-12-06 14:05:00', 55", "101, '2026-12-06 14:10:00', 62",
             "101, '2026-12-06 14:15:00', 48", "102, '2026-12-06 14:20:00', 30",
             "101, '2026-12-07 12:10:00', 99", "101, '2026-12-07 12:20:00', 99",
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

// Counting hours, with no lead: line 2 on node 101 (core-rtr-01) in hour 14, line 3 on any device
// in hour 14, line 4 on 101 by its address before the range, line 5 on node 103 of report 7 in
// hour 14 and after the range, line 6 on no device. Caught, from the hand count above: at 50 %
// occurrences 1 and at 60 % occurrences 1 lines 2, 3 and 5, alarms first at -40, -10 and -30
// minutes; at 70 % occurrences 1 lines 2 and 3; at 50 % occurrences 2 and 3 line 3 alone.
const QByteArray handCheckedIncidents
    = "start,end,device,note\r\n"
      "2026-12-07 14:40:00,2026-12-07 14:50:00,core-rtr-01,cpu\r\n"
      "2026-12-07 14:10:00,2026-12-07 14:20:00,,any device\r\n"
      "2026-12-07 10:00:00,2026-12-07 11:00:00,192.0.2.1,before the "
      "range\r\n"
      "2026-12-07 14:30:00,2026-12-07 16:00:00,7:103,\"overlapping "
      "the end, quoted\"\r\n"
      "2026-12-07 13:00:00,2026-12-07 14:00:00,no-such-router,\r\n";
const QByteArray unmatchedIncident = "1 incident names no device: line 6 \"no-such-router\"\n";
// Its lines' first hour is the hour before the held-out day.
const QStringList heldOutDay {"--from", "2026-12-06 14:00:00", "--hold-out", "1"};

// The arguments with @incidents replaced by the path of handCheckedIncidents, written into dir.
QStringList withIncidents(QStringList arguments, const QString &dir)
{
    const qsizetype at = arguments.indexOf("@incidents");
    if (at < 0)
        return arguments;
    arguments[at] = QDir(dir).filePath("incidents.csv");
    QFile file(arguments[at]);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(handCheckedIncidents) != handCheckedIncidents.size())
        qFatal("cannot write %s", qPrintable(arguments[at]));
    return arguments;
}

const QStringList handChecked {"--from", "2026-12-07 12:00:00", "--to", "2026-12-07 15:00:00",
    "--monitoring", "13-24", "--thresholds", "50-70/10", "--occurrences-up-to", "3"};

CheckRun tune(const MonitoringFixture &fixture, const QStringList &more)
{
    return runCheck(QStringList {"tune", "--auth", "remote", "--server", "127.0.0.1", "--port",
                        QString::number(fixture.port())}
            + handChecked + withIncidents(more, fixture.appDir()),
        withPassword(password));
}

// The incident of handCheckedIncidents on that line of the file, as the json lists it.
QJsonObject incident(int line)
{
    static const QList<QStringList> fields {
        {"2026-12-07 14:40:00", "2026-12-07 14:50:00", "core-rtr-01", "cpu"},
        {"2026-12-07 14:10:00", "2026-12-07 14:20:00", "", "any device"},
        {"2026-12-07 10:00:00", "2026-12-07 11:00:00", "192.0.2.1", "before the range"},
        {"2026-12-07 14:30:00", "2026-12-07 16:00:00", "7:103", "overlapping the end, quoted"},
        {"2026-12-07 13:00:00", "2026-12-07 14:00:00", "no-such-router", ""}};
    const QStringList &f = fields.at(line - 2);
    return {{"line", line}, {"start", f[0]}, {"end", f[1]}, {"device", f[2]}, {"note", f[3]}};
}

QJsonArray incidents(const QList<int> &lines)
{
    QJsonArray list;
    for (const int line : lines)
        list << incident(line);
    return list;
}

// Alarms by hour of day with the given hours' alarms, the others' 0.
QJsonArray hoursOfDay(const QMap<int, int> &alarms)
{
    QJsonArray hours;
    for (int h = 0; h < 24; ++h)
        hours << alarms.value(h);
    return hours;
}

// An incident's marks in the json when the budget of 20 recommends no threshold for 1 occurrence.
QJsonObject marks(bool namesDevice, bool at60With2, bool at50With3, bool byBest)
{
    return {{"names_device", namesDevice},
        {"caught_by_recommended", QJsonArray {QJsonValue(), at60With2, at50With3}},
        {"caught_by_best", byBest}};
}

// The noise of a setting without alarms.
QJsonObject quietNoise(int threshold, int occurrences)
{
    return {{"threshold", threshold}, {"occurrences", occurrences}, {"alarms", 0},
        {"alarms_by_hour_of_day", hoursOfDay({})}, {"devices_for_half", 0},
        {"share_of_those_devices", 0}, {"devices_text", ""}, {"top_devices", QJsonArray()}};
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
    void answersInJson_data();
    void answersInJson();
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
    QTest::newRow("incidents: caught, noise and the median minutes to the first alarm")
        << Layout::Online << QStringList {"--incidents", "@incidents"}
        << QByteArray("threshold,occurrences,alarms,devices,hours,peak,incidents_caught,"
                      "noise_alarms,first_alarm_minutes\r\n"
                      "50,1,5,3,2,3,3,2,-30\r\n"
                      "50,2,3,2,2,2,1,2,-10\r\n"
                      "50,3,2,2,2,1,1,1,-10\r\n"
                      "60,1,4,3,2,2,3,2,-30\r\n"
                      "60,2,2,2,1,2,0,2,\r\n"
                      "60,3,0,0,0,0,0,0,\r\n"
                      "70,1,3,2,2,2,2,2,-25\r\n"
                      "70,2,0,0,0,0,0,0,\r\n"
                      "70,3,0,0,0,0,0,0,\r\n")
        << unmatchedIncident;
    // An hour's lead lets hour 13 count for lines 2, 3 and 5 (103 has no load over 45 there):
    // every alarm of hour 13 counts for line 3 on any device, so no noise is left.
    QTest::newRow("incidents with an hour's lead, after the budget's columns")
        << Layout::External
        << QStringList {"--incidents", "@incidents", "--lead", "1", "--budget", "20"}
        << QByteArray("threshold,occurrences,alarms,devices,hours,peak,within_budget,recommended,"
                      "incidents_caught,noise_alarms,first_alarm_minutes\r\n"
                      "50,1,5,3,2,3,0,0,3,0,-70\r\n"
                      "50,2,3,2,2,2,0,0,2,0,-85\r\n"
                      "50,3,2,2,2,1,1,1,2,0,-85\r\n"
                      "60,1,4,3,2,2,0,0,3,0,-70\r\n"
                      "60,2,2,2,1,2,1,1,2,0,-85\r\n"
                      "60,3,0,0,0,0,1,0,0,0,\r\n"
                      "70,1,3,2,2,2,0,0,2,0,-85\r\n"
                      "70,2,0,0,0,0,1,0,0,0,\r\n"
                      "70,3,0,0,0,0,1,0,0,0,\r\n")
        << unmatchedIncident;
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

void tst_CpuTune::answersInJson_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QJsonValue>("best");
    QTest::addColumn<QJsonValue>("noise");
    QTest::addColumn<QJsonValue>("holdOut");
    // Per incident: whether it names a device, whether each occurrences value's recommended
    // threshold catches it and whether the best setting does.
    QTest::addColumn<QJsonArray>("marks");

    // Within 20 a day 50 % with 3 occurrences catches line 3 alone, in hour 14, with one alarm
    // in hour 13 (node 101) and one in hour 14 (node 102): from 14:00 it still catches it.
    QJsonObject noise {{"threshold", 50}, {"occurrences", 3}, {"alarms", 2},
        {"alarms_by_hour_of_day", hoursOfDay({{13, 1}, {14, 1}})}, {"devices_for_half", 1},
        {"share_of_those_devices", 50}, {"devices_text", "1 device gives 50 % of the alarms"},
        {"top_devices",
            QJsonArray {QJsonObject {{"report_id", 7}, {"node_id", 101}, {"name", "core-rtr-01"},
                            {"address", "192.0.2.1"}, {"alarms", 1}},
                QJsonObject {{"report_id", 7}, {"node_id", 102}, {"name", ""}, {"address", ""},
                    {"alarms", 1}}}},
        {"monitoring_time",
            QJsonObject {{"start", 14}, {"stop", 24}, {"alarms", 1}, {"current_start", 13},
                {"current_stop", 24}, {"current_alarms", 2},
                {"text",
                    "monitoring 14:00\u201324:00 instead of 13:00\u201324:00: 50 % fewer alarms, "
                    "no "
                    "incident lost"}}}};
    QTest::newRow("the best setting, what it misses, its noise and monitoring time")
        << QStringList {"--budget", "20", "--incidents", "@incidents"}
        << QJsonValue(QJsonObject {{"threshold", 50}, {"occurrences", 3}, {"alarms", 2},
               {"incidents_caught", 1}, {"missed", incidents({2, 4, 5, 6})}})
        << QJsonValue(noise) << QJsonValue(QJsonValue::Undefined)
        << QJsonArray {marks(true, false, false, false), marks(true, false, true, true),
               marks(true, false, false, false), marks(true, false, false, false),
               marks(false, false, false, false)};
    // Chosen on 2026-12-06 14:00 alone, where 60 % with 2 and 50 % with 3 occurrences send
    // nothing; the next day they send 2 alarms each, 101 and 102 in hour 13 at 60 % with 2.
    QTest::newRow("held out without incidents: each recommended setting")
        << QStringList {"--budget", "20"} + heldOutDay << QJsonValue(QJsonValue::Undefined)
        << QJsonValue(quietNoise(60, 2))
        << QJsonValue(QJsonArray {
               QJsonObject {{"days", 1}, {"threshold", 60}, {"occurrences", 2},
                   {"predicted_alarms_per_day", 0}, {"alarms", 2}, {"alarms_per_day", 2}},
               QJsonObject {{"days", 1}, {"threshold", 50}, {"occurrences", 3},
                   {"predicted_alarms_per_day", 0}, {"alarms", 2}, {"alarms_per_day", 2}}})
        << QJsonArray();
    // Every incident lies in the held-out day: on the hour before, every setting within the
    // budget catches none and sends nothing, so the highest threshold with the fewest
    // occurrences is best, and with no incident caught no monitoring time is suggested; on the
    // day, which all five overlap, it catches none.
    QTest::newRow("held out with incidents: the best setting")
        << QStringList {"--budget", "20", "--incidents", "@incidents"} + heldOutDay
        << QJsonValue(QJsonObject {{"threshold", 60}, {"occurrences", 2}, {"alarms", 0},
               {"incidents_caught", 0}, {"missed", incidents({2, 3, 4, 5, 6})}})
        << QJsonValue(quietNoise(60, 2))
        << QJsonValue(QJsonObject {{"days", 1}, {"threshold", 60}, {"occurrences", 2},
               {"predicted_alarms_per_day", 0}, {"alarms", 2}, {"alarms_per_day", 2},
               {"incidents_caught", 0}, {"incidents_in_part", 5}})
        << QJsonArray {marks(true, false, false, false), marks(true, false, false, false),
               marks(true, false, false, false), marks(true, false, false, false),
               marks(false, false, false, false)};
}

// The answers beyond the cells, each from the one aggregate query.
void tst_CpuTune::answersInJson()
{
    QFETCH(QStringList, arguments);
    QFETCH(QJsonValue, best);
    QFETCH(QJsonValue, noise);
    QFETCH(QJsonValue, holdOut);
    QFETCH(QJsonArray, marks);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Layout::Online), qPrintable(fixture.error));

    const CheckRun run = tune(fixture, QStringList {"--format", "json"} + arguments);

    QCOMPARE(run.exitCode, 0);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root["best"], best);
    QCOMPARE(root["noise"], noise);
    QCOMPARE(root["hold_out"], holdOut);
    QJsonArray listed;
    for (const QJsonValue incident : root["incidents"].toArray()) {
        listed << QJsonObject {{"names_device", incident["names_device"]},
            {"caught_by_recommended", incident["caught_by_recommended"]},
            {"caught_by_best", incident["caught_by_best"]}};
    }
    QCOMPARE(listed, marks);
    QCOMPARE(aggregateQueries(fixture), 1);
}

void tst_CpuTune::tableMarksCellsWithinBudget_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("recommendation");

    const QString wholeRange = "2026-12-07 12:00:00 to 2026-12-07 15:00:00, 3 hours";
    QTest::newRow("every setting can fire")
        << QStringList() << wholeRange
        << "threshold down, occurrences across\n"
           "         1     2     3\n"
           " 50 % 40.0  24.0  16.0*\n"
           " 60 % 32.0  16.0*  0.0*\n"
           " 70 % 24.0   0.0*  0.0*\n"
        << "  occurrences 1  none\n"
           "  occurrences 2  from 60 %\n"
           "  occurrences 3  from 50 %\n"
           "\n"
           "noise of 60 %, occurrences 2: 2 alarms\n"
           "  hour of day   13  14  15  16  17  18  19  20  21  22  23\n"
           "  % of alarms  100   0   0   0   0   0   0   0   0   0   0\n"
           "  1 device gives 50 % of the alarms: core-rtr-01\n";
    QTest::newRow("never fires beyond 3 samples and from 80 %")
        << QStringList {"--thresholds", "60-80/10", "--occurrences-up-to", "4"} << wholeRange
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
           "  occurrences 4  never fires\n"
           "\n"
           "noise of 60 %, occurrences 2: 2 alarms\n"
           "  hour of day   13  14  15  16  17  18  19  20  21  22  23\n"
           "  % of alarms  100   0   0   0   0   0   0   0   0   0   0\n"
           "  1 device gives 50 % of the alarms: core-rtr-01\n";
    QTest::newRow("incidents: caught of all, the best setting and its noise")
        << QStringList {"--incidents", "@incidents"} << wholeRange
        << "threshold down, occurrences across\n"
           "             1         2         3\n"
           " 50 % 40.0 3/5  24.0 1/5  16.0 1/5*\n"
           " 60 % 32.0 3/5  16.0 0/5*  0.0 0/5*\n"
           " 70 % 24.0 2/5   0.0 0/5*  0.0 0/5*\n"
           "\n"
           "caught/5: incidents caught of the 5 listed\n"
        << "  occurrences 1  none\n"
           "  occurrences 2  from 60 %\n"
           "  occurrences 3  from 50 %\n"
           "\n"
           "best within the budget: 50 %, occurrences 3: 16.0 alarms a day, 1 of 5 incidents "
           "caught\n"
           "  misses line 2: 2026-12-07 14:40:00 to 2026-12-07 14:50:00, core-rtr-01, cpu\n"
           "  misses line 4: 2026-12-07 10:00:00 to 2026-12-07 11:00:00, 192.0.2.1, before the "
           "range\n"
           "  misses line 5: 2026-12-07 14:30:00 to 2026-12-07 16:00:00, 7:103, overlapping the "
           "end, quoted\n"
           "  misses line 6: 2026-12-07 13:00:00 to 2026-12-07 14:00:00, no-such-router\n"
           "\n"
           "noise of 50 %, occurrences 3: 2 alarms\n"
           "  hour of day   13  14  15  16  17  18  19  20  21  22  23\n"
           "  % of alarms   50  50   0   0   0   0   0   0   0   0   0\n"
           "  1 device gives 50 % of the alarms: core-rtr-01\n"
           "  monitoring 14:00\u201324:00 instead of 13:00\u201324:00: 50 % fewer alarms, no "
           "incident "
           "lost\n";
    QTest::newRow("held out: chosen on a quiet hour, scored on the next day")
        << heldOutDay << "2026-12-06 14:00:00 to 2026-12-06 15:00:00, 1 hours"
        << "threshold down, occurrences across\n"
           "         1     2     3\n"
           " 50 % 24.0  24.0   0.0*\n"
           " 60 % 24.0   0.0*  0.0*\n"
           " 70 %    -     -     -\n"
           "\n"
           "- never fires on this data: at most 3 samples in an hour, no load at or over 70 %\n"
        << "  occurrences 1  none\n"
           "  occurrences 2  from 60 %\n"
           "  occurrences 3  from 50 %\n"
           "\n"
           "noise of 60 %, occurrences 2: 0 alarms\n"
           "\n"
           "held out: the last day, chosen on the 1 hour before\n"
           "  60 %, occurrences 2: 0.0 alarms a day predicted, 2.0 seen (2 alarms)\n"
           "  50 %, occurrences 3: 0.0 alarms a day predicted, 2.0 seen (2 alarms)\n";
}

void tst_CpuTune::tableMarksCellsWithinBudget()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, range);
    QFETCH(QString, table);
    QFETCH(QString, recommendation);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Layout::External), qPrintable(fixture.error));

    const CheckRun run
        = tune(fixture, QStringList {"--format", "table", "--budget", "20"} + arguments);

    QCOMPARE(run.exitCode, 0);
    const QString text = QString::fromUtf8(run.out);
    QVERIFY2(text.contains(range + ", monitoring 13-24\n"), qPrintable(text));
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
    QTest::newRow("no incidents file") << QStringList {"--incidents", "no-such-dir/incidents.csv"}
                                       << "the incidents file no-such-dir/incidents.csv";
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
