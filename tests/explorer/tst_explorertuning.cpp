#include "explorer/ShownAnalysis.h"
#include "explorer/models/BaselineComparison.h"
#include "explorer/models/TuningModel.h"
#include "sweep/IncidentFile.h"
#include "sweep/LadderResult.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tovik;

namespace {

// Report 7 over three monitored hours, counted at 50, 60 and 70 %: eight device-hours a day for
// each caught device-hour. Node 0 is busy but never a device: its 12 samples in an hour leave
// the devices' 10 the most, so 11 and 12 occurrences can never fire.
std::shared_ptr<const LadderResult> sampleLadder()
{
    auto result = std::make_shared<LadderResult>();
    QString failure;
    result->range = *SweepRange::fromTexts("2026-12-05 05:00:00", "2026-12-05 08:00:00", &failure);
    result->monitored = {true, true, true};
    result->reportIds = {7};
    result->sampledReports = {true};
    result->ladder = *ThresholdLadder::fromText("50-70/10", &failure);
    // node, hour: samples, then at or over 50, 60 and 70 %.
    const QList<QPair<LadderCell, QList<qint32>>> cells {
        {{1, 0, 0}, {10, 6, 3, 1}},
        {{1, 1, 0}, {10, 4, 2, 0}},
        {{2, 0, 0}, {10, 5, 5, 2}},
        {{2, 2, 0}, {9, 2, 1, 0}},
        {{0, 1, 0}, {12, 9, 9, 9}},
    };
    for (const auto &[cell, counts] : cells)
        result->add(cell, counts.constData());
    result->arrange();
    return result;
}

// Over the sample ladder's hours 05:00, 06:00 and 07:00: node 1's 05:00 (6, 3 and 1 at or over
// 50, 60 and 70 %), node 2's 07:00 (2, 1, 0), any device at 06:00 (node 1: 4, 2, 0; node 0 is no
// device) and a device that is none.
const QByteArray kIncidents = "start,end,device,note\n"
                              "2026-12-05 05:30:00,2026-12-05 06:00:00,7:1,node 1\n"
                              "2026-12-05 07:00:00,2026-12-05 07:30:00,7:2,\"node 2, briefly\"\n"
                              "2026-12-05 06:00:00,2026-12-05 07:00:00,,anywhere\n"
                              "2026-12-05 05:00:00,2026-12-05 08:00:00,nosuch,\n";

// The window's way: the analysis of the result feeds the table, also when it widens.
struct TuningTable
{
    ShownAnalysis analysis;
    TuningModel model;

    TuningTable()
    {
        QObject::connect(&analysis, &ShownAnalysis::analysed, &model,
            [this] { model.setAnalysis(analysis.analysis(), analysis.current()); });
    }
};

// The settings the sample ladder was swept with, at threshold.
SweepSettings sampleSettings(const LadderResult &result, qint16 threshold)
{
    SweepSettings settings;
    settings.range = result.range;
    settings.threshold = threshold;
    return settings;
}

QModelIndex tuningCell(const TuningModel &model, qint16 threshold, qint16 occurrences)
{
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex cell = model.index(row, occurrences - 1);
        if (cell.data(TuningModel::ThresholdRole).toInt() == threshold)
            return cell;
    }
    return {};
}

} // namespace

class tst_ExplorerTuning : public QObject
{
    Q_OBJECT

private slots:
    void tuningCells_data();
    void tuningCells();
    void incidentCells_data();
    void incidentCells();
    void comparison_data();
    void comparison();
    void comparisonMarksDeviceHours();
};

void tst_ExplorerTuning::tuningCells_data()
{
    QTest::addColumn<qint16>("threshold");
    QTest::addColumn<qint16>("occurrences");
    QTest::addColumn<double>("budget");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("current");
    QTest::addColumn<bool>("overBudget");
    QTest::addColumn<bool>("recommended");

    // The setting on screen is 60 %, 3 occurrences.
    QTest::newRow("over the budget")
        << qint16(50) << qint16(1) << 16.0 << "32.0" << false << true << false;
    QTest::newRow("at the budget, the first within it")
        << qint16(70) << qint16(1) << 16.0 << "16.0" << false << false << true;
    QTest::newRow("the current setting, recommended")
        << qint16(60) << qint16(3) << 16.0 << "16.0" << true << false << true;
    QTest::newRow("the lowest threshold within the budget")
        << qint16(50) << qint16(5) << 16.0 << "16.0" << false << false << true;
    QTest::newRow("within, but a lower threshold is too")
        << qint16(60) << qint16(5) << 16.0 << "8.0" << false << false << false;
    QTest::newRow("a wider budget recommends lower")
        << qint16(50) << qint16(3) << 24.0 << "24.0" << false << false << true;
    QTest::newRow("a narrow budget dims it")
        << qint16(60) << qint16(4) << 5.0 << "8.0" << false << true << false;
    QTest::newRow("node 0 counts for nothing")
        << qint16(70) << qint16(9) << 0.0 << "0.0" << false << false << false;
    QTest::newRow("more occurrences than any device's hour held samples never fires")
        << qint16(50) << qint16(11) << 16.0 << "-" << false << false << false;
    QTest::newRow("as many occurrences as the busiest device's hour held can fire")
        << qint16(50) << qint16(10) << 16.0 << "0.0" << false << false << true;
}

void tst_ExplorerTuning::tuningCells()
{
    QFETCH(qint16, threshold);
    QFETCH(qint16, occurrences);
    QFETCH(double, budget);
    QFETCH(QString, text);
    QFETCH(bool, current);
    QFETCH(bool, overBudget);
    QFETCH(bool, recommended);
    // The analysis does not own the result: the table widens only while its owner keeps it.
    const auto result = sampleLadder();
    TuningTable table;
    TuningModel &model = table.model;
    table.analysis.showResult(result, sampleSettings(*result, 60), {60, 3});
    model.setBudget(budget);

    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), int(TuningSurface::kDefaultOccurrencesUpTo));
    const QModelIndex cell = tuningCell(model, threshold, occurrences);
    QVERIFY(cell.isValid());
    QCOMPARE(cell.data(TuningModel::OccurrencesRole).toInt(), occurrences);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), text);
    QCOMPARE(cell.data(TuningModel::CurrentRole).toBool(), current);
    QCOMPARE(cell.data(TuningModel::OverBudgetRole).toBool(), overBudget);
    QCOMPARE(cell.data(TuningModel::RecommendedRole).toBool(), recommended);
    QCOMPARE(model.headerData(cell.row(), Qt::Vertical, Qt::DisplayRole).toString(),
        QStringLiteral("%1 %").arg(threshold));

    // Occurrences beyond the last column widen the table to them.
    table.analysis.setCurrent({threshold, 14});
    model.setCurrent({threshold, 14});
    QCOMPARE(model.columnCount(), 14);
    QVERIFY(tuningCell(model, threshold, 14).data(TuningModel::CurrentRole).toBool());
    QVERIFY(!tuningCell(model, threshold, 3).data(TuningModel::CurrentRole).toBool());
    // Without incidents there is nothing to shade by but the alarms, and no best setting.
    model.setShading(TuningModel::Shading::IncidentsCaught);
    QCOMPARE(model.shading(), TuningModel::Shading::AlarmsPerDay);
    QVERIFY(!tuningCell(model, threshold, 3).data(TuningModel::IncidentsCaughtRole).isValid());
    QVERIFY(!tuningCell(model, threshold, 3).data(TuningModel::BestRole).toBool());
}

void tst_ExplorerTuning::incidentCells_data()
{
    QTest::addColumn<qint16>("threshold");
    QTest::addColumn<qint16>("occurrences");
    QTest::addColumn<double>("budget");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("best");

    // Four incidents; the one naming no device is never caught.
    QTest::newRow("node 1 only") << qint16(60) << qint16(3) << 16.0 << "1/4" << false;
    QTest::newRow("all three that name a device")
        << qint16(50) << qint16(2) << 16.0 << "3/4" << false;
    QTest::newRow("node 2's two at 50 % are too few for 3")
        << qint16(50) << qint16(3) << 16.0 << "2/4" << false;
    QTest::newRow("none") << qint16(70) << qint16(2) << 16.0 << "0/4" << false;
    // Within 16 a day one incident at most: of those, the fewest alarms.
    QTest::newRow("best within 16: one incident, one alarm")
        << qint16(50) << qint16(6) << 16.0 << "1/4" << true;
    // Within 24 two at most, three alarms each: the highest threshold.
    QTest::newRow("best within 24: the highest threshold of the ties")
        << qint16(60) << qint16(2) << 24.0 << "2/4" << true;
    QTest::newRow("a tie at a lower threshold is not best")
        << qint16(50) << qint16(3) << 24.0 << "2/4" << false;
    QTest::newRow("best within 32: all three") << qint16(60) << qint16(1) << 32.0 << "3/4" << true;
}

// The cells with incidents: caught/total when shaded by them, the best setting marked once.
void tst_ExplorerTuning::incidentCells()
{
    QFETCH(qint16, threshold);
    QFETCH(qint16, occurrences);
    QFETCH(double, budget);
    QFETCH(QString, text);
    QFETCH(bool, best);
    QTemporaryDir dir;
    const QString path = dir.filePath("incidents.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kIncidents) == kIncidents.size());
    file.close();
    const auto result = sampleLadder();
    TuningTable table;
    table.analysis.setBudget(budget);
    table.model.setBudget(budget);
    table.analysis.showResult(result, sampleSettings(*result, 60), {60, 3});
    QString failure;
    QVERIFY2(table.analysis.loadIncidents(path, &failure), qPrintable(failure));
    TuningModel &model = table.model;

    const QModelIndex cell = tuningCell(model, threshold, occurrences);
    QVERIFY(cell.isValid());
    QCOMPARE(cell.data(TuningModel::IncidentsCaughtRole).toInt(), text.section('/', 0, 0).toInt());
    QVERIFY2(cell.data(Qt::ToolTipRole)
                 .toString()
                 .contains(QStringLiteral("%1 of 4 incidents caught").arg(text.section('/', 0, 0))),
        qPrintable(cell.data(Qt::ToolTipRole).toString()));
    QCOMPARE(cell.data(TuningModel::BestRole).toBool(), best);
    int bestCells = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            bestCells += model.index(row, column).data(TuningModel::BestRole).toBool() ? 1 : 0;
    }
    QCOMPARE(bestCells, 1);

    // Alarms a day until the cells are shaded by the incidents caught.
    QVERIFY(cell.data(Qt::DisplayRole).toString() != text);
    model.setShading(TuningModel::Shading::IncidentsCaught);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), text);
    QCOMPARE(cell.data(TuningModel::ShareRole).toDouble(), text.section('/', 0, 0).toInt() / 4.0);

    // The setting on screen catches one; the incident naming no device is told once.
    QCOMPARE(table.analysis.caughtText().left(24), QString("1 of 4 incidents caught."));
    QVERIFY2(table.analysis.caughtText().contains("names no device"),
        qPrintable(table.analysis.caughtText()));
}

void tst_ExplorerTuning::comparison_data()
{
    QTest::addColumn<qint16>("baseThreshold");
    QTest::addColumn<qint16>("baseOccurrences");
    QTest::addColumn<qint16>("threshold");
    QTest::addColumn<qint16>("occurrences");
    QTest::addColumn<QString>("text");

    QTest::newRow("a higher threshold loses one")
        << qint16(50) << qint16(3) << qint16(60) << qint16(3)
        << "no alarm gained, 1 alarm lost on 1 device, against 50 % and 3 occurrences";
    QTest::newRow("fewer occurrences gain one")
        << qint16(70) << qint16(2) << qint16(50) << qint16(5)
        << "+1 alarm on 1 device, no alarm lost, against 70 % and 2 occurrences";
    QTest::newRow("gains and losses at once")
        << qint16(70) << qint16(2) << qint16(50) << qint16(6)
        << "+1 alarm on 1 device, 1 alarm lost on 1 device, against 70 % and 2 occurrences";
    QTest::newRow("three lost hours of two devices, against one occurrence")
        << qint16(60) << qint16(1) << qint16(50) << qint16(6)
        << "no alarm gained, 3 alarms lost on 2 devices, against 60 % and 1 occurrence";
    QTest::newRow("two gained hours of one device")
        << qint16(70) << qint16(2) << qint16(50) << qint16(4)
        << "+2 alarms on 1 device, no alarm lost, against 70 % and 2 occurrences";
    QTest::newRow("two lost hours of one device")
        << qint16(50) << qint16(4) << qint16(70) << qint16(2)
        << "no alarm gained, 2 alarms lost on 1 device, against 50 % and 4 occurrences";
    QTest::newRow("node 0 is never gained")
        << qint16(70) << qint16(10) << qint16(50) << qint16(1)
        << "+4 alarms on 2 devices, no alarm lost, against 70 % and 10 occurrences";
    QTest::newRow("the same setting")
        << qint16(60) << qint16(2) << qint16(60) << qint16(2)
        << "no alarm gained, no alarm lost, against 60 % and 2 occurrences";
    QTest::newRow("baseline off the ladder") << qint16(55) << qint16(2) << qint16(60) << qint16(2)
                                             << "No comparison against 55 % and 2 occurrences: "
                                                "this result does not count that threshold.";
    QTest::newRow("current threshold off the ladder")
        << qint16(60) << qint16(2) << qint16(65) << qint16(2)
        << "No comparison against 60 % and 2 occurrences: this result does not count that "
           "threshold.";
}

void tst_ExplorerTuning::comparison()
{
    QFETCH(qint16, baseThreshold);
    QFETCH(qint16, baseOccurrences);
    QFETCH(qint16, threshold);
    QFETCH(qint16, occurrences);
    QFETCH(QString, text);
    const AlarmChoice baseline {baseThreshold, baseOccurrences};

    const auto comparison
        = BaselineComparison::compare(*sampleLadder(), baseline, {threshold, occurrences});

    QCOMPARE(comparison ? comparison->text() : BaselineComparison::unavailableText(baseline), text);
    if (comparison)
        QCOMPARE(comparison->baseline(), baseline);
}

void tst_ExplorerTuning::comparisonMarksDeviceHours()
{
    const auto comparison = BaselineComparison::compare(*sampleLadder(), {70, 2}, {50, 6});
    QVERIFY(comparison);
    using Change = BaselineComparison::Change;
    QCOMPARE(comparison->change(0, 1, 0), Change::Gained);
    QCOMPARE(comparison->change(0, 2, 0), Change::Lost);
    QCOMPARE(comparison->change(0, 1, 1), Change::None);
    QCOMPARE(comparison->change(0, 0, 1), Change::None);
    // Another report's same node and hour is another device-hour.
    QCOMPARE(comparison->change(1, 1, 0), Change::None);
    QCOMPARE(comparison->gainedAlarms(), 1);
    QCOMPARE(comparison->lostDevices(), 1);
}

QTEST_GUILESS_MAIN(tst_ExplorerTuning)
#include "tst_explorertuning.moc"
