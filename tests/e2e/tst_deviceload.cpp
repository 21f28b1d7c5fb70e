#include "DeviceSamples.h"
#include "MonitoringFixture.h"
#include "sweep/DeviceLoadReader.h"
#include "sweep/SweepQueries.h"

#include <QThread>
#include <QtTest>
#include <atomic>

using namespace tovik;
using namespace tovik::test;

namespace {

DeviceLoadQuery queryFor(MonitoringFixture &fixture, bool external, qint32 reportId, qint32 nodeId,
    const QString &from = DeviceSamples::kFrom, const QString &to = DeviceSamples::kTo)
{
    DeviceLoadQuery query;
    query.settings.connection = fixture.host.connectionFields();
    QString failure;
    query.settings.range = *SweepRange::fromTexts(from, to, &failure);
    query.store = external ? SampleStore::InReportDatabases : SampleStore::InMonitoringDatabase;
    query.reportId = reportId;
    query.nodeId = nodeId;
    return query;
}

// The samples as "time load" texts, to compare with the stored rows.
QStringList texts(const QList<LoadSample> &samples)
{
    QStringList lines;
    for (const LoadSample &sample : samples)
        lines << sample.time.toString("yyyy-MM-dd HH:mm:ss") + ' ' + QString::number(sample.load);
    return lines;
}

QStringList texts(const QList<StoredSample> &samples)
{
    QStringList lines;
    for (const StoredSample &sample : samples)
        lines << sample.time + ' ' + QString::number(sample.load);
    return lines;
}

QStringList loadRequests(const QList<LoggedRequest> &requests)
{
    QStringList found;
    for (const LoggedRequest &request : requests) {
        if (request.detail.contains("ProcessorLoad FROM"))
            found << request.kind + ' ' + request.detail;
    }
    return found;
}

// The number of the load query among its connection's requests, counted as the server counts for
// --delay-from.
int loadRequestNumber(const QList<LoggedRequest> &requests)
{
    QHash<int, int> numbers;
    for (const LoggedRequest &request : requests) {
        if (request.kind == "DROP" || request.kind == "ATTENTION")
            continue;
        const int number = ++numbers[request.spid];
        if (request.detail.contains("ProcessorLoad FROM"))
            return number;
    }
    return 0;
}

} // namespace

// One device's samples read through the driver from the sample server: the stored rows of that
// report's node and range, sent with bound values, and the ways the read ends early.
class tst_DeviceLoad : public QObject
{
    Q_OBJECT

private slots:
    void samplesEqualStoredRows_data();
    void samplesEqualStoredRows();
    void valuesAreBoundParameters();
    void missingTableFails();
    void cancelEndsADelayedRead();
};

void tst_DeviceLoad::samplesEqualStoredRows_data()
{
    QTest::addColumn<bool>("external");
    QTest::addColumn<int>("reportId");
    QTest::addColumn<int>("nodeId");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    const QString from = DeviceSamples::kFrom;
    const QString to = DeviceSamples::kTo;
    for (const bool external : {false, true}) {
        const char *layout = external ? "external" : "online";
        QTest::addRow("%s: gap and near miss", layout)
            << external << 7 << int(DeviceSamples::kGapNode) << from << to;
        QTest::addRow("%s: node beside it", layout)
            << external << 7 << int(DeviceSamples::kBusyNode) << from << to;
        QTest::addRow("%s: same node, other report", layout)
            << external << 12 << int(DeviceSamples::kGapNode) << from << to;
        QTest::addRow("%s: hours around the gap", layout)
            << external << 7 << int(DeviceSamples::kGapNode) << "2026-12-07 11:00:00"
            << "2026-12-07 13:00:00";
        QTest::addRow("%s: node without samples", layout) << external << 7 << 999 << from << to;
    }
}

void tst_DeviceLoad::samplesEqualStoredRows()
{
    QFETCH(bool, external);
    QFETCH(int, reportId);
    QFETCH(int, nodeId);
    QFETCH(QString, from);
    QFETCH(QString, to);
    MonitoringFixture fixture;
    QVERIFY2(DeviceSamples::install(fixture, external), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    DeviceLoadReader reader;

    const auto load = reader.read(queryFor(fixture, external, reportId, nodeId, from, to));

    QVERIFY2(load, qPrintable(reader.lastError()));
    QCOMPARE(load->reportId, reportId);
    QCOMPARE(load->nodeId, nodeId);
    QCOMPARE(load->range.hourCount(), SweepRange::fromTexts(from, to, nullptr)->hourCount());
    QCOMPARE(texts(load->samples), texts(DeviceSamples::of(reportId, nodeId, from, to)));
}

// The driver sends the query as sp_prepexec: its text with markers only, the values as typed
// parameters.
void tst_DeviceLoad::valuesAreBoundParameters()
{
    MonitoringFixture fixture;
    QVERIFY2(DeviceSamples::install(fixture, false), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    DeviceLoadReader reader;
    QVERIFY2(reader.read(queryFor(fixture, false, 7, DeviceSamples::kGapNode)),
        qPrintable(reader.lastError()));
    QString sql = SweepQueries::deviceLoad("ATR_Report_7_RAW");
    for (int marker = 1; sql.contains('?'); ++marker)
        sql.replace(sql.indexOf('?'), 1, QString("@P%1").arg(marker));
    QCOMPARE(loadRequests(fixture.server().loggedRequests()),
        QStringList("RPC sp_prepexec (unnamed) int=NULL (unnamed) ntext='@P1 INT,@P2 DATETIME2,@P3 "
                    "DATETIME2' (unnamed) ntext='"
            + sql
            + "' (unnamed) int=101 (unnamed) datetime2(7)='2026-12-06 10:00:00' (unnamed) "
              "datetime2(7)='2026-12-07 14:00:00'"));
}

void tst_DeviceLoad::missingTableFails()
{
    MonitoringFixture fixture;
    QVERIFY2(DeviceSamples::install(fixture, false), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    DeviceLoadReader reader;
    QVERIFY(!reader.read(queryFor(fixture, false, 99, DeviceSamples::kGapNode)));
    QCOMPARE(reader.lastError(),
        QString("[FreeTDS][SQL Server]Invalid object name 'ATR_Report_99_RAW'."));
    QVERIFY(!reader.openFailed());
    QVERIFY(!reader.wasCancelled());

    // The report's own database is missing: the connection to it fails.
    QVERIFY(!reader.read(queryFor(fixture, true, 99, DeviceSamples::kGapNode)));
    QVERIFY2(reader.lastError().contains("ATR_Report_99"), qPrintable(reader.lastError()));
    QVERIFY(reader.openFailed());
}

// A cancel from another thread ends the read while the server holds its query back, long before
// the reply; the server never answers the query.
void tst_DeviceLoad::cancelEndsADelayedRead()
{
    MonitoringFixture fixture;
    QVERIFY2(DeviceSamples::install(fixture, false), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    QVERIFY(DeviceLoadReader().read(queryFor(fixture, false, 7, DeviceSamples::kGapNode)));
    const int loadRequest = loadRequestNumber(fixture.server().loggedRequests());
    QVERIFY(loadRequest > 2);
    fixture.server().stop();
    SampleServer::Options options;
    options.delayMs = 60000;
    options.delayFrom = loadRequest;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));

    DeviceLoadReader reader;
    std::atomic<bool> ended = false;
    std::optional<DeviceLoad> load;
    const DeviceLoadQuery query = queryFor(fixture, false, 7, DeviceSamples::kGapNode);
    std::unique_ptr<QThread> reading(QThread::create([&] {
        load = reader.read(query);
        ended = true;
    }));
    reading->start();
    // The server logs a request once it answers it: here every one before the query.
    QTRY_VERIFY_WITH_TIMEOUT(fixture.server().loggedRequests().size() >= loadRequest - 1, 10000);
    QVERIFY(!ended);
    reader.cancel();
    // Far within the server's delay: only the cancel can end the read this soon.
    QTRY_VERIFY_WITH_TIMEOUT(ended, 10000);
    reading->wait();
    QVERIFY(!load);
    QVERIFY(reader.wasCancelled());
    QCOMPARE(reader.lastError(), QString("The query was cancelled."));
    QVERIFY(loadRequests(fixture.server().loggedRequests()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_DeviceLoad)
#include "tst_deviceload.moc"
