#include "DirectSqlite.h"
#include "SampleData.h"
#include "SampleServer.h"
#include "ZoneScope.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik::test;

namespace {

const QString kEnd = "2026-12-07 14:30:00";
const QString kCpuTable = "CRATR-MIB|CRCpuEntry";

QVariant scalar(const QString &file, const QString &sql)
{
    const auto rows = DirectSqlite::rows(file, sql);
    return rows && !rows->isEmpty() ? rows->first().value(0) : QVariant();
}

QStringList column(const QString &file, const QString &sql)
{
    QStringList values;
    const auto rows = DirectSqlite::rows(file, sql);
    if (rows) {
        for (const QVariantList &row : *rows)
            values << row.value(0).toString();
    }
    return values;
}

QStringList tables(const QString &file)
{
    return column(file, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name");
}

// "name type" for every column of a table.
QStringList columnsOf(const QString &file, const QString &table)
{
    QStringList columns;
    const auto rows = DirectSqlite::rows(file, "PRAGMA table_info(" + table + ")");
    if (rows) {
        for (const QVariantList &row : *rows)
            columns << row.value(1).toString() + " " + row.value(2).toString();
    }
    return columns;
}

// The column lists of a table's indexes, e.g. "node_id,hist_time".
QStringList indexesOf(const QString &file, const QString &table)
{
    QStringList indexes;
    for (const QString &index :
        column(file, "SELECT name FROM pragma_index_list('" + table + "')")) {
        indexes << column(
            file, "SELECT name FROM pragma_index_info('" + index + "') ORDER BY seqno")
                       .join(',');
    }
    return indexes;
}

QList<int> cpuReportIds(const QString &file)
{
    QList<int> ids;
    for (const QString &id :
        column(file, "SELECT report_id FROM ATR_Reports WHERE table_name = '" + kCpuTable + "'"))
        ids << id.toInt();
    return ids;
}

int distinctNodesAtOrOver(const QString &file, const QString &table, int threshold)
{
    return scalar(file,
        QString("SELECT COUNT(DISTINCT node_id) FROM %1 WHERE ProcessorLoad >= %2")
            .arg(table)
            .arg(threshold))
        .toInt();
}

// Every row of every table of a file, tables by name and rows in the order they were written.
QByteArray rowsDigest(const QString &file)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const QString &table : tables(file)) {
        const auto rows
            = DirectSqlite::rows(file, "SELECT * FROM \"" + table + "\" ORDER BY rowid");
        if (!rows)
            return {};
        digest.addData(table.toUtf8());
        for (const QStringList &row : DirectSqlite::texts(*rows))
            digest.addData(row.join(u'|').toUtf8() + '\n');
    }
    return digest.result().toHex().left(16);
}

} // namespace

class tst_SampleServerGenerate : public QObject
{
    Q_OBJECT

private slots:
    void writesLayout_data();
    void writesLayout();
    void samplesFollowPollInterval_data();
    void samplesFollowPollInterval();
    void thresholdsCatchDifferentDevices_data();
    void thresholdsCatchDifferentDevices();
    void seedMakesDataReproducible();
    void rowsStayAsWritten_data();
    void rowsStayAsWritten();
    void demoMarksChangeTwoDevicesOnly();
    void demoReportsHaveOwnDevices_data();
    void demoReportsHaveOwnDevices();
    void switchingLayoutLeavesOneLayout();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void helpOfEachCommand_data();
    void helpOfEachCommand();

private:
    QString generate(const QStringList &arguments);

    QTemporaryDir m_dir;
    int m_runs = 0;
};

QString tst_SampleServerGenerate::generate(const QStringList &arguments)
{
    const QString dir = m_dir.filePath(QString("run%1").arg(++m_runs));
    QString error;
    if (!generateSampleData(dir, arguments, &error)) {
        qWarning("%s", qPrintable(error));
        return {};
    }
    return dir;
}

void tst_SampleServerGenerate::writesLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("nodes");

    QTest::newRow("online, defaults") << "online" << 3 << 25;
    QTest::newRow("external, defaults") << "external" << 3 << 25;
    QTest::newRow("online, 5 reports, 300 nodes") << "online" << 5 << 300;
    QTest::newRow("external, 1 report, 600 nodes") << "external" << 1 << 600;
}

void tst_SampleServerGenerate::writesLayout()
{
    QFETCH(QString, layout);
    QFETCH(int, reports);
    QFETCH(int, nodes);

    const bool online = layout == "online";
    const QString dir = generate({"--layout", layout, "--reports", QString::number(reports),
        "--nodes", QString::number(nodes), "--hours", "2", "--end", kEnd});
    QVERIFY(!dir.isEmpty());
    const QString main = dir + "/SNMPCONLINE.sqlite";
    QVERIFY(QFile::exists(main));
    for (const QString &name :
        QStringList {"report_id INTEGER", "report_name TEXT", "table_name TEXT", "pollint INTEGER"})
        QVERIFY2(columnsOf(main, "ATR_Reports").contains(name), qPrintable(name));
    const QList<int> ids = cpuReportIds(main);
    QCOMPARE(ids.size(), reports);
    QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), reports);
    QVERIFY(scalar(main, "SELECT COUNT(*) FROM ATR_Reports WHERE table_name <> '" + kCpuTable + "'")
                .toInt()
        >= 1);
    QCOMPARE(scalar(main,
                 "SELECT COUNT(*) FROM ATR_Reports WHERE table_name = '" + kCpuTable
                     + "' AND pollint = 300")
                 .toInt(),
        reports);

    for (const QString &name :
        QStringList {"node_id INTEGER", "node_name TEXT", "address TEXT", "trapcomm TEXT"})
        QVERIFY2(columnsOf(main, "ATR_Nodes").contains(name), qPrintable(name));
    QCOMPARE(scalar(main, "SELECT COUNT(DISTINCT node_id) FROM ATR_Nodes").toInt(), nodes);
    QCOMPARE(scalar(main, "SELECT COUNT(DISTINCT node_name) FROM ATR_Nodes").toInt(), nodes);
    QCOMPARE(scalar(main, "SELECT COUNT(*) FROM ATR_Nodes WHERE trapcomm = '' OR trapcomm IS NULL")
                 .toInt(),
        0);
    static const QRegularExpression documentation(
        "^(192\\.0\\.2|198\\.51\\.100|203\\.0\\.113)\\.\\d{1,3}$|^2001:db8::[0-9a-f]+$");
    const QStringList addresses = column(main, "SELECT address FROM ATR_Nodes");
    for (const QString &address : addresses)
        QVERIFY2(documentation.match(address).hasMatch(), qPrintable(address));
    QCOMPARE(QSet<QString>(addresses.begin(), addresses.end()).size(), nodes);

    const QStringList sampleColumns {
        "node_id INTEGER", "hist_time DATETIME", "ProcessorLoad INTEGER"};
    for (int id : ids) {
        const QString rawTable = QString("ATR_Report_%1_RAW").arg(id);
        const QString reportFile = QString("%1/ATR_Report_%2.sqlite").arg(dir).arg(id);
        QCOMPARE(tables(main).contains(rawTable), online);
        QCOMPARE(QFile::exists(reportFile), !online);
        const QString file = online ? main : reportFile;
        const QString table = online ? rawTable : "RAW";
        QCOMPARE(columnsOf(file, table), sampleColumns);
        // A node's samples by time, and by the hour that DATEDIFF gives (an expression, unnamed).
        QStringList indexes = indexesOf(file, table);
        indexes.sort();
        QCOMPARE(indexes,
            QStringList({"node_id,,hist_time,ProcessorLoad", "node_id,hist_time,ProcessorLoad"}));
        QCOMPARE(scalar(file, "SELECT COUNT(DISTINCT node_id) FROM " + table).toInt(), nodes);
        if (!online)
            QCOMPARE(tables(file), QStringList {"RAW"});
    }
}

void tst_SampleServerGenerate::samplesFollowPollInterval_data()
{
    QTest::addColumn<int>("hours");

    QTest::newRow("1 hour") << 1;
    QTest::newRow("3 hours") << 3;
}

void tst_SampleServerGenerate::samplesFollowPollInterval()
{
    QFETCH(int, hours);

    const QString dir
        = generate({"--nodes", "12", "--hours", QString::number(hours), "--end", kEnd});
    QVERIFY(!dir.isEmpty());
    const QString file = dir + "/SNMPCONLINE.sqlite";
    const QString table = "ATR_Report_7_RAW";
    const int perNode = hours * 3600 / 300;
    // A node polled exactly at the start of the span has one sample more.
    QVERIFY(scalar(file,
                "SELECT MIN(n) FROM (SELECT COUNT(*) AS n FROM " + table + " GROUP BY node_id)")
                .toInt()
        >= perNode);
    QVERIFY(scalar(file,
                "SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM " + table + " GROUP BY node_id)")
                .toInt()
        <= perNode + 1);
    const QString start = QDateTime::fromString(kEnd, "yyyy-MM-dd HH:mm:ss")
                              .addSecs(-hours * 3600)
                              .toString("yyyy-MM-dd HH:mm:ss");
    QVERIFY(scalar(file, "SELECT MIN(hist_time) FROM " + table).toString() >= start);
    QVERIFY(scalar(file, "SELECT MAX(hist_time) FROM " + table).toString() <= kEnd);
    QVERIFY(scalar(file, "SELECT MAX(hist_time) FROM " + table).toString()
        > QDateTime::fromString(kEnd, "yyyy-MM-dd HH:mm:ss")
              .addSecs(-300)
              .toString("yyyy-MM-dd HH:mm:ss"));
    QCOMPARE(scalar(file,
                 "SELECT COUNT(*) FROM " + table
                     + " WHERE hist_time NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] "
                       "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]'")
                 .toInt(),
        0);
    QCOMPARE(scalar(file,
                 "SELECT COUNT(*) FROM (SELECT unixepoch(hist_time) - LAG(unixepoch(hist_time)) "
                 "OVER (PARTITION BY node_id ORDER BY hist_time) AS gap FROM "
                     + table + ") WHERE gap <> 300")
                 .toInt(),
        0);
    QCOMPARE(scalar(file,
                 "SELECT COUNT(*) FROM " + table
                     + " WHERE ProcessorLoad NOT BETWEEN 0 AND 100 OR ProcessorLoad IS NULL")
                 .toInt(),
        0);
}

void tst_SampleServerGenerate::thresholdsCatchDifferentDevices_data()
{
    QTest::addColumn<QString>("seed");

    QTest::newRow("seed 1") << "1";
    QTest::newRow("seed 2") << "2";
    QTest::newRow("seed 3") << "3";
}

void tst_SampleServerGenerate::thresholdsCatchDifferentDevices()
{
    QFETCH(QString, seed);

    const QString dir = generate({"--seed", seed, "--end", kEnd});
    QVERIFY(!dir.isEmpty());
    const QString file = dir + "/SNMPCONLINE.sqlite";
    for (const QString &table :
        QStringList {"ATR_Report_3_RAW", "ATR_Report_7_RAW", "ATR_Report_12_RAW"}) {
        const int low = distinctNodesAtOrOver(file, table, 10);
        const int middle = distinctNodesAtOrOver(file, table, 50);
        const int high = distinctNodesAtOrOver(file, table, 90);
        QVERIFY2(low > middle && middle > high && high >= 1,
            qPrintable(QString("%1: %2 %3 %4").arg(table).arg(low).arg(middle).arg(high)));
        // Quiet and busy devices side by side.
        QVERIFY(scalar(file,
                    "SELECT MIN(a) FROM (SELECT AVG(ProcessorLoad) AS a FROM " + table
                        + " GROUP BY node_id)")
                    .toDouble()
            < 15);
        QVERIFY(scalar(file,
                    "SELECT MAX(a) FROM (SELECT AVG(ProcessorLoad) AS a FROM " + table
                        + " GROUP BY node_id)")
                    .toDouble()
            > 40);
    }
}

void tst_SampleServerGenerate::seedMakesDataReproducible()
{
    const QStringList arguments {"--nodes", "20", "--hours", "4", "--end", kEnd};
    const QString first = generate(QStringList {"--seed", "5"} + arguments);
    const QString second = generate(QStringList {"--seed", "5"} + arguments);
    const QString other = generate(QStringList {"--seed", "6"} + arguments);
    QVERIFY(!first.isEmpty() && !second.isEmpty() && !other.isEmpty());
    const QString samples = "SELECT node_id, hist_time, ProcessorLoad FROM ATR_Report_3_RAW "
                            "ORDER BY node_id, hist_time";
    const QString nodes = "SELECT * FROM ATR_Nodes ORDER BY node_id";
    const auto rows = [](const QString &dir, const QString &sql) {
        return DirectSqlite::texts(*DirectSqlite::rows(dir + "/SNMPCONLINE.sqlite", sql));
    };
    QVERIFY(!rows(first, samples).isEmpty());
    QCOMPARE(rows(first, samples), rows(second, samples));
    QCOMPARE(rows(first, nodes), rows(second, nodes));
    QVERIFY(rows(first, samples) != rows(other, samples));
}

// The rows the benchmark's figures, the tests and the demo were measured on: a faster way of
// writing them must write the very same ones, in the same order. A zone with its change of
// clock in the external case's hours, so that the local time texts around it are held too.
void tst_SampleServerGenerate::rowsStayAsWritten_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("digest");
    const QStringList online {"--reports", "3", "--nodes", "40", "--hours", "26", "--end", kEnd};
    const QStringList external {"--layout", "external", "--reports", "3", "--nodes", "30",
        "--hours", "50", "--seed", "7", "--end", "2026-03-29 14:30:00", "--demo-marks"};
    QTest::newRow("online, reports and nodes")
        << online << "SNMPCONLINE" << QByteArray("24ea8adfb67eefbe");
    QTest::newRow("external, demo marks: main")
        << external << "SNMPCONLINE" << QByteArray("ee89df31fc7fb03b");
    QTest::newRow("external, demo marks: first report")
        << external << "ATR_Report_3" << QByteArray("d422f55fc34520ad");
    QTest::newRow("external, demo marks: third report")
        << external << "ATR_Report_12" << QByteArray("e7879115642a8584");
}

void tst_SampleServerGenerate::rowsStayAsWritten()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(QByteArray, digest);
    QString dir;
    {
        const ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
        dir = generate(arguments);
    }
    QVERIFY(!dir.isEmpty());
    QCOMPARE(rowsDigest(dir + "/" + file + ".sqlite"), digest);
}

// The demo's data: busy node 2 of report 3 misses its polls in some hours, node 3 reaches 75 %
// twice in some hours of at least three samples and never three times; every other sample of
// report 3 as without.
void tst_SampleServerGenerate::demoMarksChangeTwoDevicesOnly()
{
    const QStringList arguments {"--reports", "2", "--nodes", "6", "--hours", "48", "--end", kEnd};
    const QString plain = generate(arguments);
    const QString marked = generate(arguments + QStringList {"--demo-marks"});
    QVERIFY(!plain.isEmpty() && !marked.isEmpty());
    const auto rows = [](const QString &dir, const QString &sql) {
        return DirectSqlite::texts(*DirectSqlite::rows(dir + "/SNMPCONLINE.sqlite", sql));
    };
    const auto number
        = [&](const QString &sql) { return scalar(marked + "/SNMPCONLINE.sqlite", sql).toInt(); };
    const QString others = "SELECT node_id, hist_time, ProcessorLoad FROM %1 WHERE node_id NOT IN "
                           "(%2) ORDER BY node_id, hist_time";
    QVERIFY(!rows(plain, others.arg("ATR_Report_3_RAW", "2, 3")).isEmpty());
    QCOMPARE(rows(marked, others.arg("ATR_Report_3_RAW", "2, 3")),
        rows(plain, others.arg("ATR_Report_3_RAW", "2, 3")));

    // Per local hour of node 2 or 3: its samples and those at or over 75 %.
    const QString hours = "SELECT COUNT(*) FROM (SELECT COUNT(*) AS samples, "
                          "SUM(ProcessorLoad >= 75) AS high FROM ATR_Report_3_RAW WHERE node_id = "
                          "%1 AND substr(hist_time, 12, 2) IN (%2) GROUP BY substr(hist_time, 1, "
                          "13) HAVING %3)";
    const QString gapHours = "'02', '08', '14', '20'";
    const QString twoPollHours = "'04', '10', '16', '22'";
    const QString shortHours = "'01', '05', '09', '13', '17', '21'";
    QCOMPARE(number(hours.arg("2", gapHours, "samples > 0")), 0);
    QCOMPARE(number(hours.arg("2", twoPollHours, "samples > 2")), 0);
    QVERIFY(number(hours.arg("2", twoPollHours, "samples = 2")) >= 6);
    QVERIFY(number(hours.arg("2", "'11', '12'", "samples = 12 AND high = 12")) >= 2);
    QVERIFY(number(hours.arg("3", shortHours, "high = 2 AND samples >= 3")) >= 10);
    QCOMPARE(
        number("SELECT COUNT(*) FROM ATR_Report_3_RAW WHERE node_id = 3 AND ProcessorLoad > 60 "
               "AND substr(hist_time, 12, 2) NOT IN ("
            + shortHours + ")"),
        0);
}

void tst_SampleServerGenerate::demoReportsHaveOwnDevices_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("routers") << "ATR_Report_3_RAW"
                             << QStringList {"rtr-core-01", "rtr-wan-01", "rtr-branch-01",
                                    "rtr-dc-01", "rtr-edge-01", "rtr-core-02"};
    QTest::newRow("switches") << "ATR_Report_7_RAW"
                              << QStringList {"sw-floor1-01", "sw-floor2-01", "sw-floor3-01",
                                     "sw-floor4-01", "sw-floor5-01", "sw-floor1-02"};
    QTest::newRow("firewalls and one router")
        << "ATR_Report_12_RAW"
        << QStringList {
               "rtr-edge-01", "fw-edge-01", "fw-dmz-01", "fw-dc-01", "fw-vpn-01", "fw-branch-01"};
}

// The demo's reports watch devices of their own kind, as an installation's do, so that a name
// carries its report's only where a device is in two reports: rtr-edge-01, the one node_id the
// firewalls' report shares with the routers'.
void tst_SampleServerGenerate::demoReportsHaveOwnDevices()
{
    QFETCH(QString, table);
    QFETCH(QStringList, names);

    const QString dir = generate({"--nodes", "6", "--hours", "2", "--end", kEnd, "--demo-marks"});

    QVERIFY(!dir.isEmpty());
    const QString file = dir + "/SNMPCONLINE.sqlite";
    QCOMPARE(column(file,
                 "SELECT node_name FROM ATR_Nodes WHERE node_id IN (SELECT node_id FROM " + table
                     + ") ORDER BY node_id"),
        names);
    QCOMPARE(scalar(file, "SELECT COUNT(DISTINCT node_id) FROM " + table).toInt(), 6);
    // Every node is polled, under a name of its own.
    QCOMPARE(scalar(file, "SELECT COUNT(*) FROM ATR_Nodes").toInt(), 17);
    QCOMPARE(scalar(file, "SELECT COUNT(DISTINCT node_name) FROM ATR_Nodes").toInt(), 17);
}

void tst_SampleServerGenerate::switchingLayoutLeavesOneLayout()
{
    const QString dir = m_dir.filePath("switch");
    QString error;
    QVERIFY2(generateSampleData(dir, {"--layout", "external", "--hours", "1"}, &error),
        qPrintable(error));
    QVERIFY(QFile::exists(dir + "/ATR_Report_7.sqlite"));
    QVERIFY2(
        generateSampleData(dir, {"--layout", "online", "--hours", "1"}, &error), qPrintable(error));
    QVERIFY(!QFile::exists(dir + "/ATR_Report_7.sqlite"));
    QVERIFY(tables(dir + "/SNMPCONLINE.sqlite").contains("ATR_Report_7_RAW"));
    QCOMPARE(QDir(dir).entryList({"*.tmp"}, QDir::Files), QStringList());
}

void tst_SampleServerGenerate::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown layout") << QStringList {"--layout", "sideways"} << "--layout";
    QTest::newRow("negative reports") << QStringList {"--reports", "-1"} << "--reports";
    QTest::newRow("hours not a number") << QStringList {"--hours", "many"} << "--hours";
    QTest::newRow("end not a time") << QStringList {"--end", "tomorrow"} << "--end";
    QTest::newRow("unknown option") << QStringList {"--colour", "blue"} << "--colour";
}

void tst_SampleServerGenerate::refusesBadArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QString error;
    QVERIFY(!generateSampleData(m_dir.filePath("refused"), arguments, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!QFile::exists(m_dir.filePath("refused/SNMPCONLINE.sqlite")));
}

void tst_SampleServerGenerate::helpOfEachCommand_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("program") << QStringList {"--help"};
    QTest::newRow("serve") << QStringList {"serve", "--help"};
    QTest::newRow("serve, after an option") << QStringList {"serve", "--data", "x", "-h"};
    QTest::newRow("generate") << QStringList {"generate", "--help"};
}

// Help is asked for, not a value of an option: usage on standard output and success, and no
// server starts.
void tst_SampleServerGenerate::helpOfEachCommand()
{
    QFETCH(QStringList, arguments);

    QProcess process;
    process.start(sampleServerPath(), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(process.exitCode() == 0, err.constData());
    QVERIFY(process.readAllStandardOutput().startsWith("usage:\n  tovik-sample-server serve"));
    QCOMPARE(err, QByteArray());
}

QTEST_GUILESS_MAIN(tst_SampleServerGenerate)

#include "tst_sampleservergenerate.moc"
