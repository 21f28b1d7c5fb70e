#include "MonitoringFixture.h"
#include "sweep/IncidentFile.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuningSurface.h"

#include <QBuffer>
#include <QSet>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

enum class Layout { Online, External };

const QString kFrom = QStringLiteral("2026-12-07 11:00:00");
const QString kTo = QStringLiteral("2026-12-07 15:00:00");
constexpr qint16 kOccurrencesUpTo = 5;

struct Sample
{
    int report = 0;
    int node = 0;
    QDateTime time;
    int load = 0;
};

// Every report's node with a different, fixed mix of loads, from before the range to after it;
// node 0 too, which is never a device.
QList<Sample> spreadSamples()
{
    QList<Sample> samples;
    quint32 state = 12345;
    const auto next = [&state](quint32 bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % bound;
    };
    const QDateTime start = QDateTime::fromString("2026-12-07 10:00:00", "yyyy-MM-dd HH:mm:ss");
    for (const int report : {7, 12}) {
        for (const int node : {0, 101, 102, 103, 104}) {
            for (int hour = 0; hour < 6; ++hour) {
                const int samplesInHour = int(next(9));
                for (int i = 0; i < samplesInHour; ++i)
                    samples << Sample {
                        report, node, start.addSecs(hour * 3600 + int(next(3600))), int(next(101))};
            }
        }
    }
    return samples;
}

QString insertStatement(const QString &table, const Sample &sample)
{
    return QString("INSERT INTO %1 VALUES (%2, '%3', %4)")
        .arg(table)
        .arg(sample.node)
        .arg(sample.time.toString("yyyy-MM-dd HH:mm:ss"))
        .arg(sample.load);
}

QStringList sampleStatements(const QList<Sample> &samples, int report, const QString &table)
{
    QStringList statements {sampleTableStatement(table)};
    for (const Sample &sample : samples) {
        if (sample.report == report)
            statements << insertStatement(table, sample);
    }
    return statements;
}

QStringList monitoringTables()
{
    return reportTableStatements()
        + QStringList {cpuReportRow("12", "'CPU 12'", "300"), cpuReportRow("7", "'CPU 7'", "300"),
            nodesTableStatement(), nodeRow(101, "core-rtr-01", "192.0.2.1", "public")};
}

bool buildInstallation(MonitoringFixture &fixture, Layout layout, const QList<Sample> &samples,
    const QStringList &extraReport7 = {})
{
    if (layout == Layout::Online)
        return fixture.addDatabase("SNMPCONLINE",
            monitoringTables() + sampleStatements(samples, 7, "ATR_Report_7_RAW") + extraReport7
                + sampleStatements(samples, 12, "ATR_Report_12_RAW"));
    QStringList report7 = sampleStatements(samples, 7, "RAW");
    for (const QString &statement : extraReport7)
        report7 << QString(statement).replace("ATR_Report_7_RAW", "RAW");
    return fixture.addDatabase("SNMPCONLINE", monitoringTables())
        && fixture.addDatabase("ATR_Report_7", report7)
        && fixture.addDatabase("ATR_Report_12", sampleStatements(samples, 12, "RAW"));
}

SweepSettings settingsFor(MonitoringFixture &fixture)
{
    SweepSettings settings;
    settings.connection = fixture.host.connectionFields();
    QString failure;
    settings.range = *SweepRange::fromTexts(kFrom, kTo, &failure);
    settings.threshold = 55;
    settings.occurrences = 2;
    settings.ladder = *ThresholdLadder::fromText("10-90/20", &failure);
    // 11:00 and 14:00 lie outside.
    settings.monStartHour = 12;
    settings.monStopHour = 14;
    return settings;
}

// The cell counted sample by sample, the way a person would: each monitored device-hour of the
// range with at least occurrences samples at or over the threshold is one alarm.
SurfaceCell countByHand(
    const QList<Sample> &samples, const SweepSettings &settings, int threshold, int occurrences)
{
    QMap<std::tuple<int, int, QDateTime>, int> atOrOver;
    for (const Sample &s : samples) {
        const QDateTime hour(s.time.date(), QTime(s.time.time().hour(), 0));
        const QDateTime wallHour(hour.date(), hour.time(), Qt::UTC);
        if (s.node != 0 && s.load >= threshold && wallHour >= settings.range.from()
            && wallHour < settings.range.to() && settings.isMonitored(wallHour))
            ++atOrOver[{s.report, s.node, hour}];
    }
    SurfaceCell cell;
    QSet<QPair<int, int>> devices;
    QMap<QDateTime, int> perHour;
    for (auto it = atOrOver.cbegin(); it != atOrOver.cend(); ++it) {
        if (it.value() < occurrences)
            continue;
        const auto [report, node, hour] = it.key();
        ++cell.alarms;
        devices.insert({report, node});
        ++perHour[hour];
    }
    cell.devices = qint32(devices.size());
    cell.hours = qint32(perHour.size());
    for (const int caught : std::as_const(perHour))
        cell.peak = std::max(cell.peak, caught);
    return cell;
}

// The most samples at any load of one device in one monitored hour of the range, counted by hand:
// above it no occurrences value can fire.
int mostSamplesByHand(const QList<Sample> &samples, const SweepSettings &settings)
{
    QMap<std::tuple<int, int, QDateTime>, int> inHour;
    for (const Sample &s : samples) {
        const QDateTime wallHour(s.time.date(), QTime(s.time.time().hour(), 0), Qt::UTC);
        if (s.node != 0 && wallHour >= settings.range.from() && wallHour < settings.range.to()
            && settings.isMonitored(wallHour))
            ++inHour[{s.report, s.node, wallHour}];
    }
    int most = 0;
    for (const int count : std::as_const(inHour))
        most = std::max(most, count);
    return most;
}

QByteArray csvOf(const SweepResult &result, const SweepSettings &settings)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return SweepCsv::write(buffer, result, settings) ? buffer.data() : QByteArray("write failed");
}

int ladderQueries(const QList<LoggedRequest> &requests)
{
    return int(std::count_if(requests.cbegin(), requests.cend(), [](const LoggedRequest &r) {
        return r.detail.contains("SUM(CASE WHEN ProcessorLoad >= ");
    }));
}

void addLayoutRows()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("online") << Layout::Online;
    QTest::newRow("external") << Layout::External;
}

// Three days, monitored from 06:00 to 22:00, counted at 50 % and 90 %. The caught device-hours,
// each lettered for the hand counts below (report/node, hour, samples at or over 50 %, at or over
// 90 %):
//   A 7/101 12-07 08  2 0    B 7/101 12-07 09  1 1    C 7/102 12-07 10  3 0
//   D 12/103 12-07 10 1 0    E 7/104 12-07 15  2 2    G 7/101 12-08 20  1 0
//   H 12/104 12-08 21 2 0    I 7/101 12-09 08  3 0    J 7/102 12-09 12  1 1
//   K 12/102 12-09 21 1 0
// besides 7/104 at 03:00, outside the monitoring time, and two low samples of 7/101 at 11:00.
// Alarms: 50 % x 1: 10, x 2: A C E H I = 5, x 3: C I = 2; 90 % x 1: B E J = 3, x 2: E = 1.
const QString kIncidentFrom = QStringLiteral("2026-12-07 00:00:00");
const QString kIncidentTo = QStringLiteral("2026-12-10 00:00:00");

QList<Sample> incidentSamples()
{
    struct Hour
    {
        int report;
        int node;
        const char *hour;
        int at60;
        int at95;
        int at10;
    };
    const Hour hours[] {{7, 101, "2026-12-07 08", 2, 0, 0}, {7, 101, "2026-12-07 09", 0, 1, 0},
        {7, 101, "2026-12-07 11", 0, 0, 2}, {7, 102, "2026-12-07 10", 3, 0, 0},
        {12, 103, "2026-12-07 10", 1, 0, 0}, {7, 104, "2026-12-07 15", 0, 2, 0},
        {7, 104, "2026-12-07 03", 0, 3, 0}, {7, 101, "2026-12-08 20", 1, 0, 0},
        {12, 104, "2026-12-08 21", 2, 0, 0}, {7, 101, "2026-12-09 08", 3, 0, 0},
        {7, 102, "2026-12-09 12", 0, 1, 0}, {12, 102, "2026-12-09 21", 1, 0, 0}};
    QList<Sample> samples;
    for (const Hour &hour : hours) {
        const QDateTime start
            = QDateTime::fromString(QString(hour.hour) + ":00:00", "yyyy-MM-dd HH:mm:ss");
        int minute = 0;
        for (const auto &[count, load] :
            {std::pair {hour.at60, 60}, std::pair {hour.at95, 95}, std::pair {hour.at10, 10}}) {
            for (int i = 0; i < count; ++i)
                samples << Sample {
                    hour.report, hour.node, start.addSecs(60 * (5 + 10 * minute++)), load};
        }
    }
    return samples;
}

// Lines 2 to 9; the hand counts name each incident by its line.
const QByteArray kIncidents = "start,end,device,note\n"
                              "2026-12-07 08:30:00,2026-12-07 09:30:00,core-rtr-01,one device\n"
                              "2026-12-07 10:15:00,2026-12-07 10:45:00,edge-sw,two devices\n"
                              "2026-12-07 14:00:00,2026-12-07 16:00:00,,any device\n"
                              "2026-12-06 20:00:00,2026-12-06 22:00:00,CORE-RTR-01,before\n"
                              "2026-12-09 20:30:00,2026-12-10 01:00:00,,over the end\n"
                              "2026-12-08 19:00:00,2026-12-08 20:00:00,192.0.2.1,the alarm after\n"
                              "2026-12-08 22:00:00,2026-12-08 23:00:00,12:104,the alarm before\n"
                              "2026-12-08 10:00:00,2026-12-08 11:00:00,ghost-router,no device\n";

bool buildIncidentInstallation(MonitoringFixture &fixture)
{
    const QList<Sample> samples = incidentSamples();
    return fixture.addDatabase("SNMPCONLINE",
        reportTableStatements()
            + QStringList {cpuReportRow("12", "'CPU 12'", "300"),
                cpuReportRow("7", "'CPU 7'", "300"), nodesTableStatement(),
                nodeRow(101, "core-rtr-01", "192.0.2.1", "public"),
                nodeRow(102, "edge-sw", "192.0.2.2", "public"),
                nodeRow(103, "EDGE-SW", "192.0.2.3", "public"),
                nodeRow(104, "access-ap", "192.0.2.4", "public")}
            + sampleStatements(samples, 7, "ATR_Report_7_RAW")
            + sampleStatements(samples, 12, "ATR_Report_12_RAW"));
}

SweepSettings incidentSettingsFor(MonitoringFixture &fixture)
{
    SweepSettings settings;
    settings.connection = fixture.host.connectionFields();
    QString failure;
    settings.range = *SweepRange::fromTexts(kIncidentFrom, kIncidentTo, &failure);
    settings.threshold = 50;
    settings.ladder = *ThresholdLadder::fromText("50-90/40", &failure);
    settings.monStartHour = 6;
    settings.monStopHour = 22;
    return settings;
}

TuneRequest incidentRequest(
    int leadHours, std::optional<double> budget, bool withIncidents, int holdOutDays = 0)
{
    TuneRequest request;
    request.occurrencesUpTo = 3;
    request.budget = budget;
    QString failure;
    if (withIncidents)
        request.incidents = IncidentFile::parse(kIncidents, "incidents.csv", &failure);
    request.leadHours = leadHours;
    request.holdOutDays = holdOutDays;
    return request;
}

// The analysis counted while the rows stream, as tune counts it.
std::optional<TuneAnalysis> streamedAnalysis(
    const SweepSettings &settings, const TuneRequest &request)
{
    TuneAnalysis analysis(settings, request);
    SweepEngine engine(settings);
    const auto frame = engine.stream(
        [&analysis](const LadderCell &cell, const qint32 *counts) { analysis.add(cell, counts); },
        {}, [&analysis](const SweepFrame &frame) { analysis.begin(frame); });
    if (!frame)
        return std::nullopt;
    return analysis;
}

// The lines of the incidents a setting catches.
QList<int> caughtLines(const TuneAnalysis &analysis, const TuneSetting &setting)
{
    QList<int> lines;
    for (int i = 0; i < analysis.incidents().size(); ++i) {
        if (analysis.incidentSurface()->catches(i, setting.step, setting.occurrences))
            lines << analysis.incidents().at(i).line;
    }
    return lines;
}

// Every setting of the two analyses alike, incident by incident.
bool sameIncidentCounts(const TuneAnalysis &a, const TuneAnalysis &b)
{
    const IncidentSurface &ofA = *a.incidentSurface();
    const IncidentSurface &ofB = *b.incidentSurface();
    for (int step = 0; step < a.surface().ladder().size(); ++step) {
        for (qint16 o = 1; o <= a.surface().occurrencesUpTo(); ++o) {
            if (!(a.surface().cell(step, o) == b.surface().cell(step, o))
                || !(ofA.cell(step, o) == ofB.cell(step, o)))
                return false;
            for (int i = 0; i < ofA.incidentCount(); ++i) {
                if (ofA.firstAlarmMinutes(i, step, o) != ofB.firstAlarmMinutes(i, step, o)
                    || ofA.countingHoursOfDay(i, step, o) != ofB.countingHoursOfDay(i, step, o))
                    return false;
            }
        }
    }
    return true;
}

} // namespace

class tst_TuningSurface : public QObject
{
    Q_OBJECT

private slots:
    void surfaceEqualsCountByHand_data() { addLayoutRows(); }
    void surfaceEqualsCountByHand();
    void everyStepEqualsItsOwnSweep_data() { addLayoutRows(); }
    void everyStepEqualsItsOwnSweep();
    void countsBeyondSixteenBits();
    void addedThresholdEqualsWholeLadder_data() { addLayoutRows(); }
    void addedThresholdEqualsWholeLadder();
    void incidentsEqualCountByHand_data();
    void incidentsEqualCountByHand();
    void bestSettingNoiseAndMonitoringTime_data();
    void bestSettingNoiseAndMonitoringTime();
    void holdOutScoresTheLastDays_data();
    void holdOutScoresTheLastDays();
};

void tst_TuningSurface::surfaceEqualsCountByHand()
{
    QFETCH(Layout, layout);
    const QList<Sample> samples = spreadSamples();
    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, layout, samples), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture);
    SweepEngine engine(settings);
    const auto result = engine.run();
    QVERIFY2(result, qPrintable(engine.lastError()));
    QCOMPARE(result->ladder.thresholds(), QList<qint16>({10, 30, 50, 55, 70, 90}));
    // One query per report for every threshold at once.
    QCOMPARE(ladderQueries(fixture.server().loggedRequests()), 2);

    const TuningSurface surface(*result, kOccurrencesUpTo);
    // The same queries with the node-hours counted as they arrive and not kept.
    SweepEngine streaming(settings);
    SurfaceCounter counter(settings.countedLadder(), kOccurrencesUpTo, settings.monitoredHours());
    const auto frame = streaming.stream(
        [&counter](const LadderCell &cell, const qint32 *counts) { counter.add(cell, counts); });
    QVERIFY2(frame, qPrintable(streaming.lastError()));
    QCOMPARE(frame->sampledReports, result->sampledReports);
    const TuningSurface streamed(counter);
    QCOMPARE(streamed.mostSamplesInAnHour(), surface.mostSamplesInAnHour());
    qint64 alarmsInAll = 0;
    for (int step = 0; step < surface.ladder().size(); ++step) {
        for (qint16 o = 1; o <= kOccurrencesUpTo; ++o) {
            const SurfaceCell expected
                = countByHand(samples, settings, surface.ladder().threshold(step), o);
            const QByteArray where = QString("threshold %1, occurrences %2")
                                         .arg(surface.ladder().threshold(step))
                                         .arg(o)
                                         .toUtf8();
            QVERIFY2(surface.cell(step, o) == expected, where.constData());
            QVERIFY2(streamed.cell(step, o) == expected, ("streamed, " + where).constData());
            alarmsInAll += expected.alarms;
        }
    }
    // The data must make the comparison tell.
    QVERIFY(alarmsInAll > 20);
    QVERIFY(surface.cell(0, 1).peak > 1);
    // The limit above which no occurrences value fires, as a person counts it.
    QCOMPARE(surface.mostSamplesInAnHour(), mostSamplesByHand(samples, settings));
    QCOMPARE(result->sampledReports, QList<bool>({true, true}));
}

// Any threshold of the ladder answers what a sweep of that threshold alone answers.
void tst_TuningSurface::everyStepEqualsItsOwnSweep()
{
    QFETCH(Layout, layout);
    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, layout, spreadSamples()), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture);
    SweepEngine engine(settings);
    const auto result = engine.run();
    QVERIFY2(result, qPrintable(engine.lastError()));
    for (const qint16 threshold : result->ladder.thresholds()) {
        SweepSettings alone = settings;
        alone.threshold = threshold;
        alone.ladder = {};
        SweepEngine single(alone);
        const auto expected = single.sweep();
        QVERIFY2(expected, qPrintable(single.lastError()));
        QVERIFY(!expected->rows.empty());
        QCOMPARE(csvOf(*result->atThreshold(threshold), alone), csvOf(*expected, alone));
    }
    QVERIFY(!result->atThreshold(60));
}

// An hour with more samples of one node than 16 bits hold keeps its exact counts.
void tst_TuningSurface::countsBeyondSixteenBits()
{
    const QList<Sample> samples = spreadSamples();
    MonitoringFixture fixture;
    const QStringList crowdedHour {
        "INSERT INTO ATR_Report_7_RAW WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
        "FROM n WHERE i < 70000) SELECT 104, '2026-12-07 13:30:00', CASE WHEN i <= 66000 THEN "
        "60 ELSE 20 END FROM n"};
    QVERIFY2(buildInstallation(fixture, Layout::Online, samples, crowdedHour),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture);
    SweepEngine engine(settings);
    const auto result = engine.run();
    QVERIFY2(result, qPrintable(engine.lastError()));
    const int step = *result->ladder.stepOf(55);
    const std::optional<qsizetype> crowded = result->find({104, 2, 0});
    QVERIFY(crowded);
    const qsizetype cell = *crowded;
    QVERIFY(result->samples(cell) >= 70000);
    QVERIFY(result->count(cell, step) >= 66000 && result->count(cell, step) < 70000);
    // Every other cell keeps its count when the table widens.
    QList<Sample> withCrowd = samples;
    for (int i = 0; i < 70000; ++i)
        withCrowd << Sample {7, 104,
            QDateTime::fromString("2026-12-07 13:30:00", "yyyy-MM-dd HH:mm:ss"),
            i < 66000 ? 60 : 20};
    const TuningSurface surface(*result, kOccurrencesUpTo);
    for (qint16 o = 1; o <= kOccurrencesUpTo; ++o)
        QCOMPARE(surface.cell(step, o).alarms, countByHand(withCrowd, settings, 55, o).alarms);
}

// A threshold counted alone and added to a ladder answers at every threshold what a sweep of
// the grown ladder answers; counts of another range, other samples, are refused.
void tst_TuningSurface::addedThresholdEqualsWholeLadder()
{
    QFETCH(Layout, layout);
    MonitoringFixture fixture;
    QVERIFY2(buildInstallation(fixture, layout, spreadSamples()), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture);
    SweepEngine ladderEngine(settings);
    const auto ladder = ladderEngine.run();
    QVERIFY2(ladder, qPrintable(ladderEngine.lastError()));

    SweepSettings alone = settings;
    alone.threshold = 63;
    alone.ladder = {};
    SweepEngine aloneEngine(alone);
    const auto added = aloneEngine.run();
    QVERIFY2(added, qPrintable(aloneEngine.lastError()));
    const auto merged = ladder->withThresholdOf(*added);
    QVERIFY(merged);

    SweepSettings grown = settings;
    grown.ladder = settings.ladder.with(63);
    SweepEngine grownEngine(grown);
    const auto expected = grownEngine.run();
    QVERIFY2(expected, qPrintable(grownEngine.lastError()));
    QCOMPARE(merged->ladder.thresholds(), expected->ladder.thresholds());
    for (const qint16 threshold : expected->ladder.thresholds()) {
        SweepSettings at = settings;
        at.threshold = threshold;
        QCOMPARE(csvOf(*merged->atThreshold(threshold), at),
            csvOf(*expected->atThreshold(threshold), at));
    }

    SweepSettings shorter = alone;
    QString failure;
    shorter.range = *SweepRange::fromTexts(kFrom, "2026-12-07 14:00:00", &failure);
    SweepEngine shorterEngine(shorter);
    const auto other = shorterEngine.run();
    QVERIFY2(other, qPrintable(shorterEngine.lastError()));
    QVERIFY(!ladder->withThresholdOf(*other));
}

// Every incident of the file counted by hand against the lettered device-hours.
void tst_TuningSurface::incidentsEqualCountByHand_data()
{
    QTest::addColumn<int>("lead");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("occurrences");
    QTest::addColumn<QList<int>>("caught");
    QTest::addColumn<qint64>("noise");
    QTest::addColumn<QVariant>("firstAlarmMinutes");

    // Line 2 by A from 08:00 (-30) and B, 3 by C and D at 10:00 (-15), 4 by E at 15:00 (+60),
    // 6 by K at 21:00 (+30); 5 lies before the range, 7 ends as G's hour starts, 8 is 12:104's
    // hour before H, 9 names no device. Noise: G H I J.
    QTest::newRow("50 %, 1") << 0 << 50 << 1 << QList<int> {2, 3, 4, 6} << qint64(4)
                             << QVariant(7.5);
    // A C E count; H and I are noise.
    QTest::newRow("50 %, 2") << 0 << 50 << 2 << QList<int> {2, 3, 4} << qint64(2)
                             << QVariant(-15.0);
    QTest::newRow("50 %, 3") << 0 << 50 << 3 << QList<int> {3} << qint64(1) << QVariant(-15.0);
    // B from 09:00 (+30) and E (+60); J is noise.
    QTest::newRow("90 %, 1") << 0 << 90 << 1 << QList<int> {2, 4} << qint64(1) << QVariant(45.0);
    QTest::newRow("90 %, 2") << 0 << 90 << 2 << QList<int> {4} << qint64(0) << QVariant(60.0);
    QTest::newRow("90 %, 3") << 0 << 90 << 3 << QList<int>() << qint64(0) << QVariant();
    // An hour's lead lets H at 21:00 catch line 8 (-60).
    QTest::newRow("50 %, 1, lead 1")
        << 1 << 50 << 1 << QList<int> {2, 3, 4, 6, 8} << qint64(3) << QVariant(-15.0);
    QTest::newRow("50 %, 2, lead 1")
        << 1 << 50 << 2 << QList<int> {2, 3, 4, 8} << qint64(1) << QVariant(-22.5);
}

void tst_TuningSurface::incidentsEqualCountByHand()
{
    QFETCH(int, lead);
    QFETCH(int, threshold);
    QFETCH(int, occurrences);
    QFETCH(QList<int>, caught);
    QFETCH(qint64, noise);
    QFETCH(QVariant, firstAlarmMinutes);
    MonitoringFixture fixture;
    QVERIFY2(buildIncidentInstallation(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = incidentSettingsFor(fixture);
    const TuneRequest request = incidentRequest(lead, std::nullopt, true);
    QVERIFY(request.incidents);
    const std::optional<TuneAnalysis> analysis = streamedAnalysis(settings, request);
    QVERIFY(analysis);

    const TuneSetting setting {
        *settings.countedLadder().stepOf(qint16(threshold)), qint16(occurrences)};
    QCOMPARE(caughtLines(*analysis, setting), caught);
    const IncidentCell &cell = analysis->incidentSurface()->cell(setting.step, setting.occurrences);
    QCOMPARE(cell.incidentsCaught, caught.size());
    QCOMPARE(cell.noiseAlarms, noise);
    QCOMPARE(cell.firstAlarmMinutes.has_value(), firstAlarmMinutes.isValid());
    if (cell.firstAlarmMinutes)
        QCOMPARE(*cell.firstAlarmMinutes, firstAlarmMinutes.toDouble());
    QCOMPARE(analysis->incidentSurface()->incidentCount(), 8);
    QCOMPARE(
        *analysis->unmatchedIncidentsText(), "1 incident names no device: line 9 \"ghost-router\"");

    // The explorer's analysis of the result in memory counts every setting alike.
    SweepEngine engine(settings);
    const auto result = engine.run();
    QVERIFY2(result, qPrintable(engine.lastError()));
    const TuneAnalysis replayed = TuneAnalysis::of(*result, settings, request);
    QVERIFY(sameIncidentCounts(*analysis, replayed));
    QCOMPARE(replayed.unmatchedIncidentsText(), analysis->unmatchedIncidentsText());
}

void tst_TuningSurface::bestSettingNoiseAndMonitoringTime_data()
{
    QTest::addColumn<QVariant>("budget");
    QTest::addColumn<int>("lead");
    QTest::addColumn<bool>("withIncidents");
    QTest::addColumn<QVariant>("best");
    QTest::addColumn<QList<int>>("missed");
    QTest::addColumn<QVariant>("chosen");
    QTest::addColumn<QString>("devicesText");
    QTest::addColumn<QString>("monitoringTime");

    const QVariant none;
    const QPoint at50x2(50, 2);
    // 3 days. Within 2 a day: 50 % x 2 (5 alarms, lines 2 3 4), x 3 (2; 3), 90 % x 1 (3; 2 4),
    // x 2 (1; 4), x 3 (0). 50 % x 2's alarms: 7/101 A I, 7/102 C, 7/104 E, 12/104 H; the
    // incidents it catches hold 08:00, 10:00 and 15:00, so 06:00-21:00 drops only H.
    QTest::newRow("2 a day") << QVariant(2.0) << 0 << true << QVariant(at50x2)
                             << QList<int> {5, 6, 7, 8, 9} << QVariant(at50x2)
                             << "2 devices give 60 % of the alarms"
                             << "monitoring 06:00–21:00 instead of 06:00–22:00: 20 % fewer "
                                "alarms, no incident lost";
    // With an hour's lead H catches line 8 at 21:00: every hour of the current time is kept.
    QTest::newRow("2 a day, lead 1")
        << QVariant(2.0) << 1 << true << QVariant(at50x2) << QList<int> {5, 6, 7, 9}
        << QVariant(at50x2) << "2 devices give 60 % of the alarms"
        << "monitoring 06:00–22:00 already sends the fewest alarms that catch its incidents";
    // B E J, one device each, catch lines 2 and 4.
    QTest::newRow("1.5 a day") << QVariant(1.5) << 0 << true << QVariant(QPoint(90, 1))
                               << QList<int> {3, 5, 6, 7, 8, 9} << QVariant(QPoint(90, 1))
                               << "2 devices give 67 % of the alarms"
                               << "monitoring 06:00–22:00 already sends the fewest alarms that "
                                  "catch its incidents";
    // 50 % x 3 and 90 % x 2 catch one incident each: the fewer alarms win.
    QTest::newRow("0.7 a day, a tie")
        << QVariant(0.7) << 0 << true << QVariant(QPoint(90, 2)) << QList<int> {2, 3, 5, 6, 7, 8, 9}
        << QVariant(QPoint(90, 2)) << "1 device gives 100 % of the alarms"
        << "monitoring 06:00–22:00 already sends the fewest alarms "
           "that catch its incidents";
    // Recommended: 90 % x 1 (3 alarms), 50 % x 2 (5), 50 % x 3 (2); the one with the most.
    QTest::newRow("2 a day, no incidents")
        << QVariant(2.0) << 0 << false << none << QList<int>() << QVariant(at50x2)
        << "2 devices give 60 % of the alarms" << QString();
    QTest::newRow("no budget") << none << 0 << true << none << QList<int>() << none << QString()
                               << QString();
}

void tst_TuningSurface::bestSettingNoiseAndMonitoringTime()
{
    QFETCH(QVariant, budget);
    QFETCH(int, lead);
    QFETCH(bool, withIncidents);
    QFETCH(QVariant, best);
    QFETCH(QList<int>, missed);
    QFETCH(QVariant, chosen);
    QFETCH(QString, devicesText);
    QFETCH(QString, monitoringTime);
    MonitoringFixture fixture;
    QVERIFY2(buildIncidentInstallation(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = incidentSettingsFor(fixture);
    const std::optional<TuneAnalysis> analysis = streamedAnalysis(settings,
        incidentRequest(lead, budget.isValid() ? std::optional(budget.toDouble()) : std::nullopt,
            withIncidents));
    QVERIFY(analysis);
    const ThresholdLadder &ladder = analysis->surface().ladder();
    const auto pointOf = [&ladder](const std::optional<TuneSetting> &setting) {
        return setting ? QVariant(QPoint(ladder.threshold(setting->step), setting->occurrences))
                       : QVariant();
    };
    QCOMPARE(pointOf(analysis->best()), best);
    QCOMPARE(pointOf(analysis->chosen()), chosen);
    if (const std::optional<TuneSetting> setting = analysis->best()) {
        QList<int> caught = caughtLines(*analysis, *setting);
        QList<int> notCaught;
        for (const Incident &incident : analysis->incidents()) {
            if (!caught.contains(incident.line))
                notCaught << incident.line;
        }
        QCOMPARE(notCaught, missed);
    }
    const std::optional<TuneSetting> setting = analysis->chosen();
    if (!setting)
        return;
    const NoiseProfile noise = analysis->noise(*setting);
    QCOMPARE(noise.devicesText(), devicesText);
    QCOMPARE(noise.alarms, analysis->surface().cell(setting->step, setting->occurrences).alarms);
    qint64 byHours = 0;
    for (const qint64 alarms : noise.alarmsByHourOfDay)
        byHours += alarms;
    QCOMPARE(byHours, noise.alarms);
    const auto suggestion = analysis->monitoringTime(*setting);
    QCOMPARE(suggestion ? suggestion->text() : QString(), monitoringTime);
    if (*setting == TuneSetting {0, 2}) {
        // A at 08:00 and I at 08:00 two days on, C at 10:00, E at 15:00, H at 21:00.
        std::array<qint64, 24> hours {};
        hours[8] = 2;
        hours[10] = hours[15] = hours[21] = 1;
        QCOMPARE(noise.alarmsByHourOfDay, hours);
        QCOMPARE(noise.topDevices.first(), (DeviceAlarms {0, 101, 2}));
        QCOMPARE(noise.topDevices.size(), 4);
    }
}

void tst_TuningSurface::holdOutScoresTheLastDays_data()
{
    QTest::addColumn<bool>("withIncidents");
    QTest::addColumn<QList<HoldOutScore>>("scores");

    // Chosen on 12-07 and 12-08 (2 days): 50 % x 2 holds A C E H, 2 a day, and catches lines 2,
    // 3 and 4 there. On 12-09 it catches I alone; of the incidents only line 6 lies there, and
    // only K, at 50 % x 1, catches it.
    QTest::newRow("incidents: the best setting")
        << true << QList<HoldOutScore> {{1, {0, 2}, 2.0, 1, 1.0, 0, 1}};
    // Recommended on the first two days: 90 % x 1 (B E), 50 % x 2 (A C E H), 50 % x 3 (C);
    // on 12-09 they catch J, I and I.
    QTest::newRow("no incidents: every recommendation")
        << false
        << QList<HoldOutScore> {{1, {1, 1}, 1.0, 1, 1.0, std::nullopt, std::nullopt},
               {1, {0, 2}, 2.0, 1, 1.0, std::nullopt, std::nullopt},
               {1, {0, 3}, 0.5, 1, 1.0, std::nullopt, std::nullopt}};
}

void tst_TuningSurface::holdOutScoresTheLastDays()
{
    QFETCH(bool, withIncidents);
    QFETCH(QList<HoldOutScore>, scores);
    MonitoringFixture fixture;
    QVERIFY2(buildIncidentInstallation(fixture), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    const SweepSettings settings = incidentSettingsFor(fixture);
    const TuneRequest request = incidentRequest(0, 2.0, withIncidents, 1);
    const std::optional<TuneAnalysis> analysis = streamedAnalysis(settings, request);
    QVERIFY(analysis);
    QCOMPARE(analysis->holdOut(), scores);
    QCOMPARE(analysis->surface().rangeHours(), 48);
    QCOMPARE(SweepRange::hourText(analysis->choiceRange().to()), "2026-12-09 00:00:00");
    QCOMPARE(SweepRange::hourText(analysis->heldOutRange()->from()), "2026-12-09 00:00:00");

    SweepEngine engine(settings);
    const auto result = engine.run();
    QVERIFY2(result, qPrintable(engine.lastError()));
    QCOMPARE(TuneAnalysis::of(*result, settings, request).holdOut(), scores);
}

QTEST_GUILESS_MAIN(tst_TuningSurface)
#include "tst_tuningsurface.moc"
