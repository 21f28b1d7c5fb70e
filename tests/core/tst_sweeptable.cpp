#include "sweep/SweepResult.h"
#include "sweep/SweepSettings.h"
#include "sweep/SweepTable.h"

#include <QBuffer>
#include <QtTest>

using namespace tovik;

namespace {

constexpr qint16 occurrences = 2;

// 54 hours from 2026-12-07 20:00: index 4 is 12-08 00:00, 28 is 12-09 00:00, 52 is 12-10 00:00.
SweepResult resultFrom(
    const QList<SweepRow> &rows, const NodeAttributes &node = {"core-rtr-01", "192.0.2.1"})
{
    SweepResult result;
    QString failure;
    result.range = *SweepRange::fromTexts("2026-12-07 20:00:00", "2026-12-10 02:00:00", &failure);
    result.monitored = QList<bool>(result.range.hourCount(), true);
    result.store = SampleStore::InMonitoringDatabase;
    result.reportIds = {7, 12};
    result.nodes.insert(101, node);
    result.nodes.insert(102, {"core-rtr-02", "192.0.2.2"});
    result.rows.assign(rows.cbegin(), rows.cend());
    return result;
}

QStringList tableLines(const SweepResult &result)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SweepSettings settings;
    settings.occurrences = occurrences;
    if (!SweepTable::write(buffer, result, settings))
        return {};
    return QString::fromUtf8(buffer.data()).split('\n');
}

// The lines under a device's line, up to the blank line that ends the device list.
QStringList linesAfter(const QStringList &lines, const QString &start, const QString &end)
{
    QStringList section;
    for (qsizetype i = lines.indexOf(start) + 1; i > 0 && i < lines.size() && lines.at(i) != end;
         ++i)
        section << lines.at(i);
    return section;
}

QList<SweepRow> caughtAt(const QList<int> &hourIndexes)
{
    QList<SweepRow> rows;
    for (int hour : hourIndexes)
        rows << SweepRow {101, 3, quint16(hour), 0};
    return rows;
}

} // namespace

// The sweep's table as a reader at an 80-column terminal sees it.
class tst_SweepTable : public QObject
{
    Q_OBJECT

private slots:
    void caughtHoursAsRanges_data();
    void caughtHoursAsRanges();
    void everyLineFitsTheTerminal_data();
    void everyLineFitsTheTerminal();
    void alarmsPerDay();
};

void tst_SweepTable::caughtHoursAsRanges_data()
{
    QTest::addColumn<QList<int>>("hourIndexes");
    QTest::addColumn<QStringList>("ranges");
    QTest::newRow("one hour") << QList<int> {10} << QStringList {"  12-08 06:00-07:00"};
    QTest::newRow("consecutive hours merged") << QList<int> {10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
        20} << QStringList {"  12-08 06:00-17:00"};
    QTest::newRow("across midnight")
        << QList<int> {2, 3, 4, 5} << QStringList {"  12-07 22:00-12-08 02:00"};
    QTest::newRow("ending at midnight")
        << QList<int> {24, 25, 26, 27} << QStringList {"  12-08 20:00-24:00"};
    QTest::newRow("gaps part ranges") << QList<int> {2, 3, 10, 53}
                                      << QStringList {"  12-07 22:00-24:00, 12-08 06:00-07:00, "
                                                      "12-10 01:00-02:00"};
    QTest::newRow("many ranges wrapped")
        << QList<int> {0, 2, 4, 6, 8, 10, 12, 14, 16, 18}
        << QStringList {"  12-07 20:00-21:00, 12-07 22:00-23:00, 12-08 00:00-01:00, 12-08 "
                        "02:00-03:00",
               "  12-08 04:00-05:00, 12-08 06:00-07:00, 12-08 08:00-09:00, 12-08 10:00-11:00",
               "  12-08 12:00-13:00, 12-08 14:00-15:00"};
}

void tst_SweepTable::caughtHoursAsRanges()
{
    QFETCH(QList<int>, hourIndexes);
    QFETCH(QStringList, ranges);
    QList<SweepRow> rows = caughtAt(hourIndexes);
    // Below the occurrences: not caught, so it neither joins nor splits a range.
    rows << SweepRow {101, 1, 30, 0};

    const QStringList lines = tableLines(resultFrom(rows));

    const QString device
        = QString("report 7  node 101  core-rtr-01  192.0.2.1  %1 hours").arg(hourIndexes.size());
    QVERIFY2(lines.contains(device), qPrintable(lines.join('\n')));
    QCOMPARE(linesAfter(lines, device, ""), ranges);
}

void tst_SweepTable::everyLineFitsTheTerminal_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("deviceLine");
    QTest::newRow("short name") << "core-rtr-01"
                                << "192.0.2.1"
                                << "report 7  node 101  core-rtr-01  192.0.2.1  27 hours";
    QTest::newRow("long name cut")
        << QString(200, 'n') << "192.0.2.1"
        << "report 7  node 101  " + QString(36, 'n') + "...  192.0.2.1  27 hours";
    QTest::newRow("name and address long")
        << QString(60, 'n') << QString(70, 'a')
        << "report 7  node 101  " + QString(9, 'n') + "...  " + QString(43, 'a') + "...";
    QTest::newRow("name fits exactly")
        << QString(39, 'n') << "192.0.2.1"
        << "report 7  node 101  " + QString(39, 'n') + "  192.0.2.1  27 hours";
}

void tst_SweepTable::everyLineFitsTheTerminal()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, deviceLine);
    QList<int> everyOtherHour;
    for (int hour = 0; hour < 54; hour += 2)
        everyOtherHour << hour;
    QList<SweepRow> rows = caughtAt(everyOtherHour);
    for (int hour = 1; hour < 54; hour += 2)
        rows << SweepRow {101, 3, quint16(hour), 1};

    const QStringList lines = tableLines(resultFrom(rows, {name, address}));

    QVERIFY(lines.size() > 54);
    for (const QString &line : lines)
        QVERIFY2(line.size() <= SweepTable::kWidth, qPrintable(line));
    QVERIFY2(lines.contains(deviceLine), qPrintable(lines.join('\n')));
}

// Caught device-hours summed per calendar day; rows below the occurrences and node 0 count not.
void tst_SweepTable::alarmsPerDay()
{
    SweepResult result = resultFrom({
        {101, 2, 3, 0}, // 12-07 23:00
        {102, 5, 3, 0}, {101, 4, 3, 1}, {101, 2, 4, 0}, // 12-08 00:00
        {102, 1, 4, 0}, {0, 9, 4, 0}, {102, 3, 27, 1}, // 12-08 23:00
        {101, 1, 28, 0}, // 12-09 00:00
    });
    // As with a monitoring time that ends before midnight on the range's last day.
    result.monitored[52] = false;
    result.monitored[53] = false;

    const QStringList lines = tableLines(result);

    QCOMPARE(linesAfter(lines, "alarms per day (caught device-hours)", ""),
        QStringList({"2026-12-07  3 (partial day, 20:00 to 24:00)", "2026-12-08  2",
            "2026-12-09  0", "2026-12-10  not monitored (partial day, 00:00 to 02:00)"}));
    QVERIFY(lines.contains("caught devices: 4"));
    QVERIFY(lines.contains("2026-12-10 01:00:00  not monitored"));
}

QTEST_GUILESS_MAIN(tst_SweepTable)
#include "tst_sweeptable.moc"
