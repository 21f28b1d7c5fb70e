#include "MonitoringFixture.h"
#include "db/DbConnection.h"

#include <QtTest>
#include <optional>
#include <vector>

using namespace tovik;
using namespace tovik::test;

namespace {

using Row = std::vector<std::optional<qint64>>;

// Opens the fixture's database, runs sql and reads its rows of `columns` values a block at a time.
bool readIntegerRows(MonitoringFixture &fixture, const QString &sql, int columns,
    std::vector<Row> *rows, QString *failure)
{
    DbConnection connection;
    const ConnectionFields fields = fixture.host.connectionFields();
    if (!connection.open(fields, fields.SqlDatabase, {}) || !connection.exec(sql)) {
        *failure = connection.lastError();
        return false;
    }
    const bool read = connection.forEachIntegerRow(
        [&](const std::optional<qint64> *row) { rows->emplace_back(row, row + columns); });
    *failure = connection.lastError();
    return read;
}

} // namespace

// Integer results read a block of bound rows at a time, as a sweep reads its aggregate: signed
// integers come as the driver holds them, any other number through the driver's conversion.
class tst_IntegerRows : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryWidth_data();
    void readsEveryWidth();
    void manyBlocksArriveWholeAndInOrder();
};

void tst_IntegerRows::readsEveryWidth_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<std::optional<qint64>>("expected");

    QTest::newRow("smallint, lowest") << "SMALLINT"
                                      << "-32768" << std::optional<qint64>(-32768);
    QTest::newRow("smallint, -1 keeps its sign") << "SMALLINT"
                                                 << "-1" << std::optional<qint64>(-1);
    QTest::newRow("smallint, highest") << "SMALLINT"
                                       << "32767" << std::optional<qint64>(32767);
    QTest::newRow("int, lowest") << "INT"
                                 << "-2147483648"
                                 << std::optional<qint64>(std::numeric_limits<qint32>::min());
    QTest::newRow("int, highest") << "INT"
                                  << "2147483647"
                                  << std::optional<qint64>(std::numeric_limits<qint32>::max());
    QTest::newRow("int column holding a bigint")
        << "INT"
        << "3000000000" << std::optional<qint64>(3000000000LL);
    QTest::newRow("bigint, lowest")
        << "BIGINT"
        << "-9223372036854775808" << std::optional<qint64>(std::numeric_limits<qint64>::min());
    QTest::newRow("bigint, highest")
        << "BIGINT"
        << "9223372036854775807" << std::optional<qint64>(std::numeric_limits<qint64>::max());
    QTest::newRow("NULL") << "INT"
                          << "NULL" << std::optional<qint64>();
    QTest::newRow("float, converted by the driver") << "REAL"
                                                    << "42.0" << std::optional<qint64>(42);
}

void tst_IntegerRows::readsEveryWidth()
{
    QFETCH(QString, declared);
    QFETCH(QString, stored);
    QFETCH(std::optional<qint64>, expected);
    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE",
                 {"CREATE TABLE Numbers (n INT, v " + declared + ")",
                     "INSERT INTO Numbers VALUES (7, " + stored + ")"}),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    std::vector<Row> rows;
    QString failure;
    QVERIFY2(readIntegerRows(fixture, "SELECT n, v FROM Numbers", 2, &rows, &failure),
        qPrintable(failure));

    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0][0], std::optional<qint64>(7));
    QCOMPARE(rows[0][1], expected);
}

// Rows over many blocks and many packets, each value where the rows put it.
void tst_IntegerRows::manyBlocksArriveWholeAndInOrder()
{
    constexpr int kRows = 5000;
    MonitoringFixture fixture;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE",
                 {"CREATE TABLE Numbers (n INT, v INT, w SMALLINT)",
                     QString("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                             "WHERE x < %1) INSERT INTO Numbers SELECT x, -x * 100000, x % 7 - 3 "
                             "FROM c")
                         .arg(kRows)}),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    std::vector<Row> rows;
    QString failure;
    QVERIFY2(readIntegerRows(fixture, "SELECT n, v, w FROM Numbers ORDER BY n", 3, &rows, &failure),
        qPrintable(failure));

    QCOMPARE(rows.size(), std::size_t(kRows));
    for (qint64 n = 1; n <= kRows; ++n) {
        const Row &row = rows[std::size_t(n - 1)];
        QCOMPARE(row, Row({n, -n * 100000, n % 7 - 3}));
    }
}

QTEST_GUILESS_MAIN(tst_IntegerRows)
#include "tst_integerrows.moc"
