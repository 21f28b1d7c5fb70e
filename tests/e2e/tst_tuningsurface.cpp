#include "MonitoringFixture.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
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

QTEST_GUILESS_MAIN(tst_TuningSurface)
#include "tst_tuningsurface.moc"
