#include "sweep/LadderResult.h"
#include "sweep/SweepGrid.h"

#include <QtTest>
#include <algorithm>
#include <random>

using namespace tovik;

namespace {

// node, hour, report index; the counts of a cell are made from these, so that they show whether
// they travelled with their cell.
using Key = std::tuple<qint32, quint16, quint16>;

QList<qint32> countsOf(const Key &key)
{
    const auto [node, hour, report] = key;
    return {node * 100 + hour * 10 + report, node + hour + report};
}

LadderResult resultArrivingAs(const QList<Key> &arrival)
{
    LadderResult result;
    QString failure;
    result.range = *SweepRange::fromTexts("2026-12-05 00:00:00", "2026-12-05 04:00:00", &failure);
    result.monitored = {true, true, true, true};
    result.reportIds = {7, 9};
    result.ladder = *ThresholdLadder::fromText("50-50/10", &failure);
    for (const Key &key : arrival) {
        const auto [node, hour, report] = key;
        result.add({node, hour, report}, countsOf(key).constData());
    }
    result.arrange();
    return result;
}

QList<Key> everyCellByReportNodeHour()
{
    QList<Key> keys;
    for (quint16 report = 0; report < 2; ++report) {
        for (qint32 node : {1, 2, 5}) {
            for (quint16 hour = 0; hour < 4; ++hour) {
                if ((node + hour) % 3 != 0)
                    keys.append({node, hour, report});
            }
        }
    }
    return keys;
}

// A cell as the database reports it: its key and its counts, the samples first, then at or over
// 50, 60 and 70 %.
using PlainCell = std::pair<Key, QList<qint32>>;

LadderResult resultOf(const QList<PlainCell> &cells, const QString &ladder)
{
    LadderResult result;
    QString failure;
    result.range = *SweepRange::fromTexts("2026-12-05 00:00:00", "2026-12-05 04:00:00", &failure);
    result.monitored = {true, true, true, true};
    result.reportIds = {7, 9};
    result.ladder = *ThresholdLadder::fromText(ladder, &failure);
    result.unexaminedDevices = {SweepFrame::deviceKey(1, 42), SweepFrame::deviceKey(0, 1)};
    for (const auto &[key, counts] : cells) {
        const auto [node, hour, report] = key;
        result.add({node, hour, report}, counts.constData());
    }
    result.arrange();
    return result;
}

// The rows at a step straight from the plain cells: by hour, report and node.
QList<SweepRow> plainRowsAt(QList<PlainCell> cells, int step, bool reaching)
{
    std::sort(cells.begin(), cells.end(), [](const PlainCell &a, const PlainCell &b) {
        const auto [na, ha, ra] = a.first;
        const auto [nb, hb, rb] = b.first;
        return std::tie(ha, ra, na) < std::tie(hb, rb, nb);
    });
    QList<SweepRow> rows;
    for (const auto &[key, counts] : cells) {
        const auto [node, hour, report] = key;
        if ((counts[1 + step] > 0) == reaching)
            rows.append({node, counts[1 + step], hour, report, counts[0]});
    }
    return rows;
}

QList<SweepRow> listOf(const std::deque<SweepRow> &rows)
{
    return QList<SweepRow>(rows.cbegin(), rows.cend());
}

QList<PlainCell> everyHourOfDevices(int devices, quint16 hours, qint32 samples)
{
    QList<PlainCell> cells;
    for (qint32 node = 1; node <= devices; ++node) {
        for (quint16 hour = 0; hour < hours; ++hour) {
            QList<qint32> counts {samples};
            for (int step = 0; step < 20; ++step)
                counts << std::max(0, samples - (node + hour + step) % 7 - step);
            cells.append({{node, hour, quint16(node % 2)}, counts});
        }
    }
    return cells;
}

} // namespace

namespace tovik {

bool operator==(const SweepRow &a, const SweepRow &b)
{
    return std::tie(a.nodeId, a.count, a.hourIndex, a.reportIndex, a.samples)
        == std::tie(b.nodeId, b.count, b.hourIndex, b.reportIndex, b.samples);
}

} // namespace tovik

// A ladder's cells come in whatever order the server sends its groups, and leave in one order.
class tst_LadderResult : public QObject
{
    Q_OBJECT

private slots:
    void rowsComeByHourReportAndNode_data();
    void rowsComeByHourReportAndNode();
    void countsAnswerAsRead_data();
    void countsAnswerAsRead();
    void gridAsFromRows_data() { countsAnswerAsRead_data(); }
    void gridAsFromRows();
    void realisticSizeStaysSmall_data();
    void realisticSizeStaysSmall();
};

void tst_LadderResult::rowsComeByHourReportAndNode_data()
{
    QTest::addColumn<QList<Key>>("arrival");

    const QList<Key> grouped = everyCellByReportNodeHour();
    QList<Key> reversed = grouped;
    std::reverse(reversed.begin(), reversed.end());
    QList<Key> shuffled = grouped;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(20261210));
    QList<Key> reportsSwapped = grouped.mid(grouped.size() / 2) + grouped.first(grouped.size() / 2);

    QTest::newRow("by report, node and hour, as SQLite groups") << grouped;
    QTest::newRow("reversed") << reversed;
    QTest::newRow("shuffled") << shuffled;
    QTest::newRow("second report first") << reportsSwapped;
    QTest::newRow("one cell") << QList<Key> {{4, 3, 1}};
    QTest::newRow("none") << QList<Key> {};
}

void tst_LadderResult::rowsComeByHourReportAndNode()
{
    QFETCH(QList<Key>, arrival);
    const LadderResult result = resultArrivingAs(arrival);

    QList<Key> expected = arrival;
    std::sort(expected.begin(), expected.end(), [](const Key &a, const Key &b) {
        return std::tie(std::get<1>(a), std::get<2>(a), std::get<0>(a))
            < std::tie(std::get<1>(b), std::get<2>(b), std::get<0>(b));
    });
    const SweepResult rows = result.atStep(0);
    QCOMPARE(qsizetype(rows.rows.size()), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const SweepRow &row = rows.rows[std::size_t(i)];
        QCOMPARE(Key(row.nodeId, row.hourIndex, row.reportIndex), expected[i]);
        QCOMPARE(row.samples, countsOf(expected[i])[0]);
        QCOMPARE(row.count, countsOf(expected[i])[1]);
    }
}

void tst_LadderResult::countsAnswerAsRead_data()
{
    QTest::addColumn<QList<PlainCell>>("cells");
    QTest::addColumn<qint32>("mostSamples");

    QTest::newRow("an hour with more samples than a byte holds")
        << QList<PlainCell> {{{1, 0, 0}, {12, 9, 4, 0}}, {{1, 1, 0}, {300, 280, 256, 255}},
               {{1, 2, 0}, {12, 12, 12, 11}}, {{2, 1, 0}, {254, 254, 200, 1}}}
        << 300;
    QTest::newRow("a byte's largest value, and beside it one more") << QList<PlainCell> {
        {{4, 0, 1}, {255, 254, 1, 0}}, {{4, 1, 1}, {256, 0, 0, 0}},
        {{5, 0, 1}, {253, 253, 253, 253}}} << 256;
    QTest::newRow("the count falling in the middle of the ladder")
        << QList<PlainCell> {{{3, 2, 0}, {12, 12, 5, 0}}, {{3, 3, 0}, {12, 12, 12, 0}}} << 12;
    QTest::newRow("node 0 beside devices, the busiest") << QList<PlainCell> {
        {{0, 0, 0}, {400, 300, 2, 0}}, {{1, 0, 0}, {12, 3, 0, 0}},
        {{0, 1, 1}, {30, 30, 30, 30}}} << 12;
    QTest::newRow("cells out of order, a device's split apart") << QList<PlainCell> {
        {{9, 3, 1}, {8, 1, 0, 0}}, {{2, 1, 0}, {12, 6, 6, 2}}, {{9, 0, 1}, {310, 300, 20, 0}},
        {{2, 0, 0}, {12, 0, 0, 0}}, {{9, 2, 1}, {5, 5, 5, 5}}, {{1, 3, 0}, {12, 12, 1, 1}},
        {{2, 3, 1}, {4, 3, 2, 1}}} << 310;
    QTest::newRow("none") << QList<PlainCell> {} << 0;
}

// Every cell keeps its exact counts however they are kept, and the rows at every threshold, and a
// threshold added from its own sweep, are those of the plain counts.
void tst_LadderResult::countsAnswerAsRead()
{
    QFETCH(QList<PlainCell>, cells);
    QFETCH(qint32, mostSamples);
    const LadderResult result = resultOf(cells, QStringLiteral("50-70/10"));

    QCOMPARE(result.cellCount(), cells.size());
    QCOMPARE(result.mostSamplesInAnHour(), mostSamples);
    for (const auto &[key, counts] : std::as_const(cells)) {
        const auto [node, hour, report] = key;
        const std::optional<qsizetype> cell = result.find({node, hour, report});
        QVERIFY(cell);
        QCOMPARE(result.samples(*cell), counts[0]);
        for (int step = 0; step < result.ladder.size(); ++step)
            QCOMPARE(result.count(*cell, step), counts[1 + step]);
    }
    for (int step = 0; step < result.ladder.size(); ++step) {
        const SweepResult rows = result.atStep(step);
        QCOMPARE(listOf(rows.rows), plainRowsAt(cells, step, true));
        QCOMPARE(listOf(rows.belowRows), plainRowsAt(cells, step, false));
    }

    // 65 % counted alone, here as many samples as at 60 %.
    QList<PlainCell> alone;
    for (const auto &[key, counts] : std::as_const(cells))
        alone.append({key, {counts[0], counts[2]}});
    const std::optional<LadderResult> merged
        = result.withThresholdOf(resultOf(alone, QStringLiteral("65-65/5")));
    QVERIFY(merged);
    QCOMPARE(merged->ladder.thresholds(), QList<qint16>({50, 60, 65, 70}));
    // The plain counts that each step of the grown ladder answers with.
    const QList<int> plainStepOf {0, 1, 1, 2};
    for (int step = 0; step < merged->ladder.size(); ++step) {
        const SweepResult rows = merged->atStep(step);
        QCOMPARE(listOf(rows.rows), plainRowsAt(cells, plainStepOf[step], true));
        QCOMPARE(listOf(rows.belowRows), plainRowsAt(cells, plainStepOf[step], false));
    }
}

// The explorer's grid, made from the ladder without rows, is the grid of the rows.
void tst_LadderResult::gridAsFromRows()
{
    QFETCH(QList<PlainCell>, cells);
    const LadderResult result = resultOf(cells, QStringLiteral("50-70/10"));

    for (int step = 0; step < result.ladder.size(); ++step) {
        const auto rows = std::make_shared<const SweepResult>(result.atStep(step));
        const SweepGrid expected(rows);
        const SweepGrid grid(result, step);
        QCOMPARE(grid.deviceCount(), expected.deviceCount());
        QCOMPARE(grid.reachingDeviceCount(), expected.reachingDeviceCount());
        QCOMPARE(grid.highestCount(), expected.highestCount());
        for (int d = 0; d < grid.deviceCount(); ++d) {
            QCOMPARE(grid.device(d).nodeId, expected.device(d).nodeId);
            QCOMPARE(grid.device(d).reportIndex, expected.device(d).reportIndex);
            QCOMPARE(grid.device(d).highestCount, expected.device(d).highestCount);
            for (int hour = 0; hour < grid.hourCount(); ++hour) {
                QCOMPARE(grid.count(d, hour), expected.count(d, hour));
                QCOMPARE(grid.samples(d, hour), expected.samples(d, hour));
            }
        }
        for (qint16 occurrences = 1; occurrences <= 3; ++occurrences) {
            QCOMPARE(grid.caughtPerHour(occurrences), rows->caughtPerHour(occurrences));
            QCOMPARE(expected.caughtPerHour(occurrences), rows->caughtPerHour(occurrences));
        }
    }
}

void tst_LadderResult::realisticSizeStaysSmall_data()
{
    QTest::addColumn<QList<PlainCell>>("cells");

    const QList<PlainCell> byDevice = everyHourOfDevices(600, 168, 12);
    QList<PlainCell> byHour = byDevice;
    std::stable_sort(byHour.begin(), byHour.end(), [](const PlainCell &a, const PlainCell &b) {
        return std::get<1>(a.first) < std::get<1>(b.first);
    });
    QList<PlainCell> crowded = byDevice;
    for (qsizetype i = 0; i < crowded.size(); i += 997)
        crowded[i].second[0] = 300;

    QTest::newRow("a week of devices, read device by device") << byDevice;
    QTest::newRow("read hour by hour") << byHour;
    QTest::newRow("a few hours crowded") << crowded;
}

// A month of ten thousand devices must fit beside the rest of the explorer.
void tst_LadderResult::realisticSizeStaysSmall()
{
    QFETCH(QList<PlainCell>, cells);
    const LadderResult result = resultOf(cells, QStringLiteral("5-100/5"));

    QVERIFY2(
        result.bytesPerNodeHour() <= 24.0, qPrintable(QString::number(result.bytesPerNodeHour())));
    for (qsizetype i = 0; i < cells.size(); i += 101) {
        const auto [node, hour, report] = cells[i].first;
        const qsizetype cell = *result.find({node, hour, report});
        QCOMPARE(result.samples(cell), cells[i].second[0]);
        QCOMPARE(result.count(cell, 19), cells[i].second[20]);
    }
}

QTEST_GUILESS_MAIN(tst_LadderResult)
#include "tst_ladderresult.moc"
