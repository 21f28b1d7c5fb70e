#include "MarksInstallation.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepGrid.h"
#include "sweep/SweepJson.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;
namespace marks = tovik::test::MarksInstallation;

namespace {

SweepSettings settingsFor(MonitoringFixture &fixture, int occurrences)
{
    SweepSettings settings;
    settings.connection = fixture.host.connectionFields();
    QString failure;
    settings.range = *SweepRange::fromTexts(marks::kFrom, marks::kTo, &failure);
    settings.threshold = marks::kThreshold;
    settings.occurrences = qint16(occurrences);
    settings.monStartHour = marks::kMonitoringStart;
    settings.monStopHour = marks::kMonitoringStop;
    return settings;
}

marks::Marks marksOf(const SweepGrid &grid, qint16 occurrences)
{
    marks::Marks found;
    for (int d = 0; d < grid.deviceCount(); ++d)
        found[{grid.reportId(d), grid.device(d).nodeId}]
            = {grid.nearMisses(d, occurrences), grid.blindHours(d, occurrences)};
    return found;
}

int blindInAll(const marks::Marks &count)
{
    int blind = 0;
    for (const auto &[nearMisses, blindHours] : count)
        blind += blindHours;
    return blind;
}

int deviceIndex(const SweepGrid &grid, int reportId, int nodeId)
{
    for (int d = 0; d < grid.deviceCount(); ++d) {
        if (grid.reportId(d) == reportId && grid.device(d).nodeId == nodeId)
            return d;
    }
    return -1;
}

QByteArray written(bool (*write)(QIODevice &, const SweepResult &, const SweepSettings &),
    const SweepResult &result, const SweepSettings &settings)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return write(buffer, result, settings) ? buffer.data() : QByteArray("write failed");
}

void addLayoutRows()
{
    QTest::addColumn<bool>("external");
    QTest::newRow("online") << false;
    QTest::newRow("external") << true;
}

} // namespace

// Near misses and blind hours of a sweep against the sample server, counted by hand.
class tst_SweepMarks : public QObject
{
    Q_OBJECT

private slots:
    void marksEqualHandCount_data();
    void marksEqualHandCount();
    void cellsOfOneDevice_data();
    void cellsOfOneDevice();
    void samplesColumn_data();
    void samplesColumn();

private:
    bool serve(MonitoringFixture &fixture, bool external)
    {
        return marks::install(fixture, external) && fixture.startServer();
    }
};

void tst_SweepMarks::marksEqualHandCount_data()
{
    QTest::addColumn<bool>("external");
    QTest::addColumn<int>("occurrences");
    for (const bool external : {false, true}) {
        for (const int occurrences : {1, 2, 3, 4})
            QTest::addRow("%s, %d", external ? "external" : "online", occurrences)
                << external << occurrences;
    }
}

// The ladder's result and a sweep of the one setting alike, for every device with a sample,
// also the one without a sample at or over the threshold and the one without any in a monitored
// hour.
void tst_SweepMarks::marksEqualHandCount()
{
    QFETCH(bool, external);
    QFETCH(int, occurrences);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, external), qPrintable(fixture.error));
    SweepEngine engine(settingsFor(fixture, occurrences));
    const auto ladder = engine.run();
    QVERIFY2(ladder, qPrintable(engine.lastError()));
    const auto alone = engine.sweep();
    QVERIFY2(alone, qPrintable(engine.lastError()));
    const marks::Marks expected = marks::handCount(occurrences);
    const qint16 occ = qint16(occurrences);

    for (const SweepResult &result : {*ladder->atThreshold(marks::kThreshold), *alone}) {
        const SweepGrid grid(std::make_shared<const SweepResult>(result));
        QCOMPARE(marksOf(grid, occ), expected);
        QCOMPARE(grid.blindDeviceHours(occ), blindInAll(expected));
        QCOMPARE(grid.reachingDeviceCount(), 3);
    }
}

void tst_SweepMarks::cellsOfOneDevice_data()
{
    QTest::addColumn<bool>("external");
    QTest::addColumn<int>("reportId");
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<QList<bool>>("nearMiss");
    QTest::addColumn<QList<bool>>("blind");
    for (const bool external : {false, true}) {
        const char *layout = external ? "external" : "online";
        // 10:00 is not monitored: its sample is not counted and it is never blind.
        QTest::addRow("%s, 7/101", layout) << external << 7 << QList<int> {0, 4, 0, 3, 2}
                                           << QList<bool> {false, true, false, false, false}
                                           << QList<bool> {false, false, true, false, true};
        QTest::addRow("%s, 12/101", layout) << external << 12 << QList<int> {0, 3, 3, 3, 3}
                                            << QList<bool> {false, true, false, false, false}
                                            << QList<bool> {false, false, false, false, false};
    }
}

// Node 101 hour by hour at 3 occurrences.
void tst_SweepMarks::cellsOfOneDevice()
{
    QFETCH(bool, external);
    QFETCH(int, reportId);
    QFETCH(QList<int>, samples);
    QFETCH(QList<bool>, nearMiss);
    QFETCH(QList<bool>, blind);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, external), qPrintable(fixture.error));
    SweepEngine engine(settingsFor(fixture, 3));
    const auto result = engine.run();
    QVERIFY2(result, qPrintable(engine.lastError()));
    const SweepGrid grid(
        std::make_shared<const SweepResult>(*result->atThreshold(marks::kThreshold)));
    const int device = deviceIndex(grid, reportId, 101);
    QVERIFY(device >= 0);
    QList<int> seenSamples;
    QList<bool> seenNearMiss;
    QList<bool> seenBlind;
    for (int hour = 0; hour < grid.hourCount(); ++hour) {
        seenSamples << grid.samples(device, hour);
        seenNearMiss << grid.isNearMiss(device, hour, 3);
        seenBlind << grid.isBlind(device, hour, 3);
    }
    QCOMPARE(seenSamples, samples);
    QCOMPARE(seenNearMiss, nearMiss);
    QCOMPARE(seenBlind, blind);
}

void tst_SweepMarks::samplesColumn_data()
{
    addLayoutRows();
}

// The hour's samples at any load as the last csv column and in each json row; the columns before
// it as they were.
void tst_SweepMarks::samplesColumn()
{
    QFETCH(bool, external);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, external), qPrintable(fixture.error));
    const SweepSettings settings = settingsFor(fixture, 3);
    SweepEngine engine(settings);
    const auto result = engine.sweep();
    QVERIFY2(result, qPrintable(engine.lastError()));

    QCOMPARE(written(&SweepCsv::write, *result, settings),
        QByteArray("hour,report_id,node_id,node_name,address,count,caught,samples\r\n"
                   "2026-12-07 11:00:00,7,0,,,1,false,1\r\n"
                   "2026-12-07 11:00:00,7,101,core-rtr-01,192.0.2.1,2,false,4\r\n"
                   "2026-12-07 11:00:00,12,101,core-rtr-01,192.0.2.1,2,false,3\r\n"
                   "2026-12-07 12:00:00,12,101,core-rtr-01,192.0.2.1,3,true,3\r\n"
                   "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,3,true,3\r\n"
                   "2026-12-07 14:00:00,7,101,core-rtr-01,192.0.2.1,2,false,2\r\n"));

    QJsonParseError error;
    const QJsonObject root
        = QJsonDocument::fromJson(written(&SweepJson::write, *result, settings), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QList<int> counts;
    QList<int> samples;
    for (const QJsonValue row : root["rows"].toArray()) {
        counts << row["count"].toInt();
        samples << row["samples"].toInt(-1);
    }
    QCOMPARE(counts, (QList<int> {1, 2, 2, 3, 3, 2}));
    QCOMPARE(samples, (QList<int> {1, 4, 3, 3, 3, 2}));
}

QTEST_GUILESS_MAIN(tst_SweepMarks)
#include "tst_sweepmarks.moc"
