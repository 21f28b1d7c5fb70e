#include "sweep/LadderResult.h"

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
    result.counts = LadderCounts(2);
    for (const Key &key : arrival) {
        const auto [node, hour, report] = key;
        result.cells.push_back({node, hour, report});
        result.counts.append(countsOf(key).constData());
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

} // namespace

// A ladder's cells come in whatever order the server sends its groups, and leave in one order.
class tst_LadderResult : public QObject
{
    Q_OBJECT

private slots:
    void rowsComeByHourReportAndNode_data();
    void rowsComeByHourReportAndNode();
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

QTEST_GUILESS_MAIN(tst_LadderResult)
#include "tst_ladderresult.moc"
