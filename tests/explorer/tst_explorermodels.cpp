#include "explorer/ExplorerText.h"
#include "explorer/models/DeviceFilterModel.h"
#include "explorer/models/DeviceTableModel.h"
#include "explorer/models/HeatmapModel.h"

#include <QSignalSpy>
#include <QTest>

using namespace tovik;

namespace {

// Three hours, the middle one not monitored; reports 7 and 12; rows in the sweep's order.
std::shared_ptr<const SweepGrid> sampleGrid()
{
    auto result = std::make_shared<SweepResult>();
    QString failure;
    result->range = *SweepRange::fromTexts("2026-12-05 05:00:00", "2026-12-05 08:00:00", &failure);
    result->monitored = {true, false, true};
    result->reportIds = {7, 12};
    result->reportNames = {"CPU Core", "CPU Edge"};
    result->nodes.insert(1, {"alpha", "10.0.0.1"});
    result->nodes.insert(2, {"Bravo", "10.0.0.2"});
    result->nodes.insert(3, {"charlie", "10.0.0.3"});
    result->rows = {
        {1, 3, 0, 0, 4},
        {2, 1, 0, 0, 1},
        {2, 5, 0, 1, 5},
        {1, 2, 2, 0, 2},
        {3, 9, 2, 0, 12},
        {0, 4, 2, 1, 4},
    };
    return std::make_shared<SweepGrid>(result);
}

// Reports 7 and 12 in one hour: alpha in both, node 4 missing from ATR_Nodes, node 5 listed there
// without a name.
std::shared_ptr<const SweepGrid> namingGrid(const QStringList &reportNames)
{
    auto result = std::make_shared<SweepResult>();
    QString failure;
    result->range = *SweepRange::fromTexts("2026-12-05 05:00:00", "2026-12-05 06:00:00", &failure);
    result->monitored = {true};
    result->reportIds = {7, 12};
    result->reportNames = reportNames;
    result->nodes.insert(1, {"alpha", "10.0.0.1"});
    result->nodes.insert(5, {"", "10.0.0.5"});
    result->rows = {{1, 3, 0, 0}, {4, 2, 0, 0}, {1, 2, 0, 1}, {5, 1, 0, 1}};
    return std::make_shared<SweepGrid>(result);
}

int deviceOf(const SweepGrid &grid, qint32 nodeId, qint32 reportId)
{
    for (int d = 0; d < grid.deviceCount(); ++d) {
        if (grid.device(d).nodeId == nodeId && grid.reportId(d) == reportId)
            return d;
    }
    return -1;
}

// Four hours, the second not monitored; report 7. Node 1 has rows and a below row, node 2 only a
// below row, node 3 samples only in the hour not examined.
std::shared_ptr<const SweepGrid> marksGrid()
{
    auto result = std::make_shared<SweepResult>();
    QString failure;
    result->range = *SweepRange::fromTexts("2026-12-05 05:00:00", "2026-12-05 09:00:00", &failure);
    result->monitored = {true, false, true, true};
    result->reportIds = {7};
    result->nodes.insert(1, {"alpha", "10.0.0.1"});
    result->nodes.insert(2, {"bravo", "10.0.0.2"});
    result->nodes.insert(3, {"charlie", "10.0.0.3"});
    result->rows = {{1, 2, 0, 0, 3}, {1, 1, 3, 0, 1}};
    result->belowRows = {{2, 0, 0, 0, 2}, {1, 0, 2, 0, 5}};
    result->unexaminedDevices.insert(SweepFrame::deviceKey(0, 3));
    return std::make_shared<SweepGrid>(result);
}

QString deviceLabel(const SweepGrid &grid, int device)
{
    return grid.deviceName(device) + '/' + QString::number(grid.reportId(device));
}

QStringList heatmapRows(const HeatmapModel &model)
{
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows << deviceLabel(*model.grid(), model.deviceAt(r));
    return rows;
}

QStringList proxyColumn(const QAbstractItemModel &model, int column)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.index(r, column).data(DeviceTableModel::SortRole).toString();
    return texts;
}

} // namespace

class tst_ExplorerModels : public QObject
{
    Q_OBJECT

private slots:
    void gridCells_data();
    void gridCells();
    void heatmapCells_data();
    void heatmapCells();
    void occurrencesReorderWithoutQuery_data();
    void occurrencesReorderWithoutQuery();
    void deviceTableColumns();
    void deviceNames_data();
    void deviceNames();
    void marksOfEveryDevice_data();
    void marksOfEveryDevice();
    void deviceFilter_data();
    void deviceFilter();
    void deviceSort_data();
    void deviceSort();
    void statusSummary_data();
    void statusSummary();
};

void tst_ExplorerModels::gridCells_data()
{
    QTest::addColumn<int>("nodeId");
    QTest::addColumn<int>("reportId");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("highest");

    QTest::newRow("alpha in 7, two hours") << 1 << 7 << QList<int> {3, 0, 2} << 3;
    QTest::newRow("bravo in 7, first hour") << 2 << 7 << QList<int> {1, 0, 0} << 1;
    QTest::newRow("bravo in 12 is another device") << 2 << 12 << QList<int> {5, 0, 0} << 5;
    QTest::newRow("charlie, last hour") << 3 << 7 << QList<int> {0, 0, 9} << 9;
    QTest::newRow("node 0 keeps its count") << 0 << 12 << QList<int> {0, 0, 4} << 4;
}

void tst_ExplorerModels::gridCells()
{
    QFETCH(int, nodeId);
    QFETCH(int, reportId);
    QFETCH(QList<int>, counts);
    QFETCH(int, highest);

    const auto grid = sampleGrid();
    QCOMPARE(grid->deviceCount(), 5);
    QCOMPARE(grid->highestCount(), 9);
    int found = -1;
    for (int d = 0; d < grid->deviceCount(); ++d) {
        if (grid->device(d).nodeId == nodeId && grid->reportId(d) == reportId)
            found = d;
    }
    QVERIFY(found >= 0);
    QList<int> seen;
    for (int h = 0; h < grid->hourCount(); ++h)
        seen << grid->count(found, h);
    QCOMPARE(seen, counts);
    QCOMPARE(grid->device(found).highestCount, highest);
}

void tst_ExplorerModels::heatmapCells_data()
{
    QTest::addColumn<int>("occurrences");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caught");
    QTest::addColumn<bool>("monitored");

    // At occurrences 3 the rows are alpha/7 (1 hour, highest 3), charlie (1, 9), bravo/12 (1, 5)
    // ordered by highest count: charlie, bravo/12, alpha/7, then node 0 (4), bravo/7 (1).
    QTest::newRow("most caught first") << 3 << 0 << 2 << "9" << true << true;
    QTest::newRow("caught at exactly the occurrences") << 3 << 2 << 0 << "3" << true << true;
    QTest::newRow("below the occurrences") << 3 << 2 << 2 << "2" << false << true;
    QTest::newRow("not monitored hour") << 3 << 2 << 1 << "" << false << false;
    QTest::newRow("node 0 is never caught") << 1 << 4 << 2 << "4" << false << true;
}

void tst_ExplorerModels::heatmapCells()
{
    QFETCH(int, occurrences);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, caught);
    QFETCH(bool, monitored);

    HeatmapModel model;
    model.setGrid(sampleGrid(), qint16(occurrences));
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.columnCount(), 3);
    const QModelIndex cell = model.index(row, column);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), text);
    QCOMPARE(cell.data(HeatmapModel::CaughtRole).toBool(), caught);
    QCOMPARE(cell.data(HeatmapModel::MonitoredRole).toBool(), monitored);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "05");
}

void tst_ExplorerModels::occurrencesReorderWithoutQuery_data()
{
    QTest::addColumn<int>("occurrences");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("caughtPerHour");

    const QString bravo7 = "Bravo (CPU Core)/7";
    const QString bravo12 = "Bravo (CPU Edge)/12";
    QTest::newRow("1: alpha twice")
        << 1 << QStringList {"alpha/7", "charlie/7", bravo12, bravo7, "node 0/12"}
        << QList<int> {3, 0, 2};
    QTest::newRow("3") << 3 << QStringList {"charlie/7", bravo12, "alpha/7", "node 0/12", bravo7}
                       << QList<int> {2, 0, 1};
    QTest::newRow("6: only charlie")
        << 6 << QStringList {"charlie/7", bravo12, "node 0/12", "alpha/7", bravo7}
        << QList<int> {0, 0, 1};
    QTest::newRow("10: nobody") << 10
                                << QStringList {"charlie/7", bravo12, "node 0/12", "alpha/7",
                                       bravo7}
                                << QList<int> {0, 0, 0};
}

void tst_ExplorerModels::occurrencesReorderWithoutQuery()
{
    QFETCH(int, occurrences);
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, caughtPerHour);

    const auto grid = sampleGrid();
    HeatmapModel model;
    model.setGrid(grid, 1);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
    model.setOccurrences(qint16(occurrences));
    QCOMPARE(reset.count(), 0);
    QCOMPARE(layout.count(), 1);
    QCOMPARE(model.grid(), grid.get());
    QCOMPARE(heatmapRows(model), rows);
    QCOMPARE(grid->result().caughtPerHour(qint16(occurrences)), caughtPerHour);
    int marked = 0;
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < model.columnCount(); ++c)
            marked += model.index(r, c).data(HeatmapModel::CaughtRole).toBool();
    }
    QCOMPARE(marked, std::accumulate(caughtPerHour.cbegin(), caughtPerHour.cend(), 0));
}

void tst_ExplorerModels::deviceTableColumns()
{
    DeviceTableModel model;
    model.setGrid(sampleGrid(), 2);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.columnCount(), int(DeviceTableModel::ColumnCount));
    QCOMPARE(
        model.headerData(DeviceTableModel::HoursCaught, Qt::Horizontal, Qt::DisplayRole).toString(),
        "Hours caught");
    const auto row = [&model](int r) {
        QStringList texts;
        for (int c = 0; c < model.columnCount(); ++c)
            texts << model.index(r, c).data().toString();
        return texts;
    };
    QCOMPARE(row(0), (QStringList {"alpha", "10.0.0.1", "CPU Core", "2", "0", "0", "3"}));
    QCOMPARE(
        row(2), (QStringList {"Bravo (CPU Edge)", "10.0.0.2", "CPU Edge", "1", "0", "1", "5"}));
    QCOMPARE(row(4), (QStringList {"node 0", "", "CPU Edge", "0", "0", "0", "4"}));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setOccurrences(4);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(row(0).at(DeviceTableModel::HoursCaught), "0");
    QCOMPARE(row(3).at(DeviceTableModel::HoursCaught), "1");
}

void tst_ExplorerModels::deviceNames_data()
{
    QTest::addColumn<QStringList>("reportNames");
    QTest::addColumn<int>("nodeId");
    QTest::addColumn<int>("reportId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("nameInReport");
    QTest::addColumn<QString>("report");

    const QStringList named {"Load A", "Load B"};
    QTest::newRow("missing from ATR_Nodes") << named << 4 << 7 << "node 4"
                                            << "node 4 (Load A)"
                                            << "Load A";
    QTest::newRow("no name in ATR_Nodes") << named << 5 << 12 << "node 5"
                                          << "node 5 (Load B)"
                                          << "Load B";
    QTest::newRow("in two reports, the first") << named << 1 << 7 << "alpha (Load A)"
                                               << "alpha (Load A)"
                                               << "Load A";
    QTest::newRow("in two reports, the second") << named << 1 << 12 << "alpha (Load B)"
                                                << "alpha (Load B)"
                                                << "Load B";
    QTest::newRow("report without a name") << QStringList {"", "Load B"} << 4 << 7 << "node 4"
                                           << "node 4 (report 7)"
                                           << "report 7";
    QTest::newRow("no report names at all") << QStringList() << 1 << 12 << "alpha (report 12)"
                                            << "alpha (report 12)"
                                            << "report 12";
}

// Every view names a device alike: the heatmap's row, the table's name and report, the tips.
void tst_ExplorerModels::deviceNames()
{
    QFETCH(QStringList, reportNames);
    QFETCH(int, nodeId);
    QFETCH(int, reportId);
    QFETCH(QString, name);
    QFETCH(QString, nameInReport);
    QFETCH(QString, report);

    const auto grid = namingGrid(reportNames);
    const int device = deviceOf(*grid, nodeId, reportId);
    QVERIFY(device >= 0);
    QCOMPARE(grid->deviceName(device), name);
    QCOMPARE(grid->nodeInReport(device), nameInReport);
    QCOMPARE(grid->reportName(device), report);

    DeviceTableModel table;
    table.setGrid(grid, 2);
    QCOMPARE(table.index(device, DeviceTableModel::Name).data().toString(), name);
    const QModelIndex reportCell = table.index(device, DeviceTableModel::Report);
    QCOMPARE(reportCell.data().toString(), report);
    QCOMPARE(reportCell.data(Qt::ToolTipRole).toString(), "Report id " + QString::number(reportId));

    HeatmapModel heatmap;
    heatmap.setGrid(grid, 2);
    int row = 0;
    while (row < heatmap.rowCount() && heatmap.deviceAt(row) != device)
        ++row;
    QVERIFY(row < heatmap.rowCount());
    QCOMPARE(heatmap.headerData(row, Qt::Vertical, Qt::DisplayRole).toString(), name);
    QCOMPARE(heatmap.headerData(row, Qt::Vertical, Qt::ToolTipRole).toString(), nameInReport);
    QVERIFY(heatmap.index(row, 0).data(Qt::ToolTipRole).toString().startsWith(nameInReport + ", "));
}

void tst_ExplorerModels::marksOfEveryDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<QList<bool>>("nearMiss");
    QTest::addColumn<QList<bool>>("blind");

    // At 3 occurrences.
    QTest::newRow("rows and a below row, in hour order")
        << "alpha" << QList<int> {3, 0, 5, 1} << QList<bool> {true, false, false, false}
        << QList<bool> {false, false, false, true};
    QTest::newRow("no sample at or over the threshold")
        << "bravo" << QList<int> {2, 0, 0, 0} << QList<bool> {false, false, false, false}
        << QList<bool> {true, false, true, true};
    QTest::newRow("samples only in the hour not examined")
        << "charlie" << QList<int> {0, 0, 0, 0} << QList<bool> {false, false, false, false}
        << QList<bool> {true, false, true, true};
}

// Every device with a sample is in the grid, the heatmap and the device table, each marked by
// its hours.
void tst_ExplorerModels::marksOfEveryDevice()
{
    QFETCH(QString, name);
    QFETCH(QList<int>, samples);
    QFETCH(QList<bool>, nearMiss);
    QFETCH(QList<bool>, blind);

    const auto grid = marksGrid();
    QCOMPARE(grid->deviceCount(), 3);
    QCOMPARE(grid->reachingDeviceCount(), 1);
    QCOMPARE(grid->blindDeviceHours(3), 7);
    HeatmapModel heatmap;
    heatmap.setGrid(grid, 3);
    DeviceTableModel table;
    table.setGrid(grid, 3);
    int row = -1;
    for (int r = 0; r < heatmap.rowCount(); ++r) {
        if (heatmap.headerData(r, Qt::Vertical, Qt::DisplayRole).toString() == name)
            row = r;
    }
    QVERIFY(row >= 0);
    QList<int> seenSamples;
    QList<bool> seenNearMiss;
    QList<bool> seenBlind;
    for (int hour = 0; hour < heatmap.columnCount(); ++hour) {
        const QModelIndex cell = heatmap.index(row, hour);
        seenSamples << cell.data(HeatmapModel::SamplesRole).toInt();
        seenNearMiss << cell.data(HeatmapModel::NearMissRole).toBool();
        seenBlind << cell.data(HeatmapModel::BlindRole).toBool();
    }
    QCOMPARE(seenSamples, samples);
    QCOMPARE(seenNearMiss, nearMiss);
    QCOMPARE(seenBlind, blind);

    const int device = heatmap.deviceAt(row);
    const auto column = [&](int c) { return table.index(device, c).data().toString(); };
    QCOMPARE(column(DeviceTableModel::Name), name);
    QCOMPARE(column(DeviceTableModel::NearMisses), QString::number(nearMiss.count(true)));
    QCOMPARE(column(DeviceTableModel::BlindHours), QString::number(blind.count(true)));

    // Two occurrences: alpha's two of three caught, its one of one one short but blind.
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    table.setOccurrences(2);
    QCOMPARE(changed.count(), 1);
    int blindAtTwo = 0;
    for (const int monitoredHour : {0, 2, 3})
        blindAtTwo += samples.at(monitoredHour) < 2 ? 1 : 0;
    QCOMPARE(column(DeviceTableModel::BlindHours), QString::number(blindAtTwo));
    QCOMPARE(column(DeviceTableModel::NearMisses), QString("0"));
}

void tst_ExplorerModels::deviceFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("empty shows all")
        << "" << QStringList {"alpha", "Bravo (CPU Core)", "Bravo (CPU Edge)", "charlie", "node 0"};
    QTest::newRow("any case") << "bRA" << QStringList {"Bravo (CPU Core)", "Bravo (CPU Edge)"};
    QTest::newRow("part of a name") << "ar" << QStringList {"charlie"};
    QTest::newRow("an address is no name") << "10.0" << QStringList {};
    QTest::newRow("regex characters are plain") << "a.*" << QStringList {};
}

void tst_ExplorerModels::deviceFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, names);

    DeviceTableModel model;
    model.setGrid(sampleGrid(), 1);
    DeviceFilterModel proxy;
    proxy.setSourceModel(&model);
    proxy.setNameFilter(filter);
    QCOMPARE(proxyColumn(proxy, DeviceTableModel::Name), names);
}

void tst_ExplorerModels::deviceSort_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QStringList>("names");

    const QString bravo7 = "Bravo (CPU Core)";
    const QString bravo12 = "Bravo (CPU Edge)";
    QTest::newRow("name, any case") << int(DeviceTableModel::Name) << Qt::AscendingOrder
                                    << QStringList {"alpha", bravo7, bravo12, "charlie", "node 0"};
    QTest::newRow("highest count as a number, descending")
        << int(DeviceTableModel::HighestCount) << Qt::DescendingOrder
        << QStringList {"charlie", bravo12, "node 0", "alpha", bravo7};
    QTest::newRow("hours caught, descending")
        << int(DeviceTableModel::HoursCaught) << Qt::DescendingOrder
        << QStringList {"alpha", bravo7, bravo12, "charlie", "node 0"};
}

void tst_ExplorerModels::deviceSort()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QStringList, names);

    DeviceTableModel model;
    model.setGrid(sampleGrid(), 1);
    DeviceFilterModel proxy;
    proxy.setSourceModel(&model);
    proxy.sort(column, order);
    QCOMPARE(proxyColumn(proxy, DeviceTableModel::Name), names);
}

void tst_ExplorerModels::statusSummary_data()
{
    QTest::addColumn<QList<bool>>("sampledReports");
    QTest::addColumn<qint16>("occurrences");
    QTest::addColumn<bool>("failure");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("every report sampled, 3 occurrences")
        << QList<bool> {true, true} << qint16(3) << false
        << QStringList {"1 devices with samples at or over 50 % in 4 hours, queried in 12 ms.",
               "7 blind hours: fewer than 3 samples in the hour, too few to fire."};
    QTest::newRow("every report sampled, 2 occurrences")
        << QList<bool> {true, true} << qint16(2) << false
        << QStringList {"6 blind hours: fewer than 2 samples in the hour, too few to fire."};
    QTest::newRow("one report without a sample") << QList<bool> {true,
        false} << qint16(3) << false << QStringList {"7 blind hours", "in report 12 (CPU Edge)."};
    QTest::newRow("no report with a sample")
        << QList<bool> {false, false} << qint16(3) << true
        << QStringList {"no CPU samples from", "in any of the 2 CPU reports."};
}

// The status line's summary counts the blind hours at the occurrences shown, and a range without
// a single sample is told as a failure rather than as a quiet one.
void tst_ExplorerModels::statusSummary()
{
    QFETCH(QList<bool>, sampledReports);
    QFETCH(qint16, occurrences);
    QFETCH(bool, failure);
    QFETCH(QStringList, parts);

    auto result = std::make_shared<SweepResult>(marksGrid()->result());
    result->reportIds = {7, 12};
    result->reportNames = {"CPU Core", "CPU Edge"};
    result->sampledReports = sampledReports;
    const SweepGrid grid(result);
    const ExplorerText::StatusMessage summary
        = ExplorerText::summary(grid, 50, occurrences, QStringLiteral("queried in 12 ms"));
    QCOMPARE(summary.failure, failure);
    for (const QString &part : parts)
        QVERIFY2(summary.text.contains(part), qPrintable(summary.text));
    QCOMPARE(summary.text.contains("blind"), !failure);
}

QTEST_MAIN(tst_ExplorerModels)
#include "tst_explorermodels.moc"
