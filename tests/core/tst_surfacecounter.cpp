#include "sweep/LadderResult.h"
#include "sweep/SurfaceCounter.h"
#include "sweep/TuningSurface.h"

#include <QtTest>

using namespace tovik;

namespace {

constexpr qint16 kOccurrencesUpTo = 3;

// A node-hour as the engine hands it over: node, hour, report index, then the samples at any load
// and those at or over 50 and 70 %.
struct StreamCell
{
    LadderCell cell;
    QList<qint32> counts;
};

using Stream = QList<StreamCell>;

ThresholdLadder ladder()
{
    QString failure;
    return *ThresholdLadder::fromText("50-70/20", &failure);
}

// Four hours, the third outside the monitoring time.
QList<bool> monitoredHours()
{
    return {true, true, false, true};
}

// The same node-hours kept whole, in the order they arrived.
LadderResult keptResult(const Stream &stream)
{
    LadderResult result;
    QString failure;
    result.range = *SweepRange::fromTexts("2026-12-05 00:00:00", "2026-12-05 04:00:00", &failure);
    result.monitored = monitoredHours();
    result.reportIds = {7, 9};
    result.ladder = ladder();
    for (const StreamCell &cell : stream)
        result.add(cell.cell, cell.counts.constData());
    result.arrange();
    return result;
}

QString cellText(const SurfaceCell &cell)
{
    return QStringLiteral("alarms %1, devices %2, hours %3, peak %4")
        .arg(cell.alarms)
        .arg(cell.devices)
        .arg(cell.hours)
        .arg(cell.peak);
}

// Device 5 of report 0 caught in hours 0, 1 and 3, device 7 in hour 1; device 5's node-hours do
// not come one after another.
const Stream kSeveralHours {
    {{5, 0, 0}, {6, 4, 1}},
    {{7, 1, 0}, {3, 3, 2}},
    {{5, 1, 0}, {5, 2, 0}},
    {{5, 3, 0}, {4, 1, 1}},
};

// Counted by hand from kSeveralHours: at 50 % occurrences 1, 2, 3, then at 70 %.
const QList<SurfaceCell> kSeveralHoursCells {
    {4, 2, 3, 2},
    {3, 2, 2, 2},
    {2, 2, 2, 1},
    {3, 2, 3, 1},
    {1, 1, 1, 1},
    {0, 0, 0, 0},
};

} // namespace

Q_DECLARE_METATYPE(StreamCell)

// The tuning surface counted while the node-hours stream past answers what the same node-hours
// kept in memory answer, and what a hand count says.
class tst_SurfaceCounter : public QObject
{
    Q_OBJECT

private slots:
    void streamedEqualsKept_data();
    void streamedEqualsKept();
};

void tst_SurfaceCounter::streamedEqualsKept_data()
{
    QTest::addColumn<Stream>("stream");
    QTest::addColumn<QList<SurfaceCell>>("expected");
    QTest::addColumn<qint32>("mostSamples");
    // -1 for every step reached.
    QTest::addColumn<int>("firstUnreachedStep");

    QTest::newRow("a device caught in several hours")
        << kSeveralHours << kSeveralHoursCells << 6 << -1;
    QTest::newRow("node 0 is never a device")
        << (Stream {{{0, 1, 0}, {12, 12, 12}}} + kSeveralHours) << kSeveralHoursCells << 6 << -1;
    QTest::newRow("an hour outside the monitoring time counts nowhere")
        << (kSeveralHours + Stream {{{5, 2, 0}, {20, 9, 9}}}) << kSeveralHoursCells << 6 << -1;
    // 65536 would read as 0 if it were narrowed before being capped.
    QTest::newRow("counts over the highest occurrences value catch at every one")
        << Stream {{{9, 0, 1}, {70000, 65536, 5}}, {{9, 3, 1}, {8, 3, 0}}}
        << QList<SurfaceCell> {{2, 1, 2, 1}, {2, 1, 2, 1}, {2, 1, 2, 1}, {1, 1, 1, 1}, {1, 1, 1, 1},
               {1, 1, 1, 1}}
        << 70000 << -1;
    QTest::newRow("one node in two reports is two devices, 70 % never reached")
        << Stream {{{5, 1, 0}, {2, 2, 0}}, {{5, 1, 1}, {2, 2, 0}}}
        << QList<SurfaceCell> {{2, 2, 1, 2}, {2, 2, 1, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
               {0, 0, 0, 0}}
        << 2 << 1;
}

void tst_SurfaceCounter::streamedEqualsKept()
{
    QFETCH(Stream, stream);
    QFETCH(QList<SurfaceCell>, expected);
    QFETCH(qint32, mostSamples);
    QFETCH(int, firstUnreachedStep);

    SurfaceCounter counter(ladder(), kOccurrencesUpTo, monitoredHours());
    for (const StreamCell &cell : std::as_const(stream))
        counter.add(cell.cell, cell.counts.constData());
    const TuningSurface streamed(counter);
    const TuningSurface kept(keptResult(stream), kOccurrencesUpTo);

    for (const TuningSurface *surface : {&streamed, &kept}) {
        const char *which = surface == &streamed ? "streamed" : "kept";
        QCOMPARE(surface->rangeHours(), 4);
        QCOMPARE(surface->mostSamplesInAnHour(), mostSamples);
        QCOMPARE(surface->firstUnreachedStep().value_or(-1), firstUnreachedStep);
        for (int step = 0; step < surface->ladder().size(); ++step) {
            for (qint16 o = 1; o <= kOccurrencesUpTo; ++o) {
                const SurfaceCell &actual = surface->cell(step, o);
                const SurfaceCell &wanted = expected.at(step * kOccurrencesUpTo + o - 1);
                QVERIFY2(actual == wanted,
                    qPrintable(QStringLiteral("%1, threshold %2, occurrences %3: %4, not %5")
                                   .arg(which)
                                   .arg(surface->ladder().threshold(step))
                                   .arg(o)
                                   .arg(cellText(actual), cellText(wanted))));
            }
        }
    }
}

QTEST_GUILESS_MAIN(tst_SurfaceCounter)
#include "tst_surfacecounter.moc"
