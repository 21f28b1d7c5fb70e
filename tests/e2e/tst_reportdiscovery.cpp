#include "MonitoringFixture.h"
#include "db/DbConnection.h"
#include "monitoring/CatalogReader.h"
#include "monitoring/DiscoveryQueries.h"
#include "monitoring/ReportDiscovery.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

using Listing = CatalogReader::Listing;
using Listings = QMap<Listing, QueryRows>;
using Findings = QList<QPair<Listing, bool>>;

// The catalog queries a server received from request number `from` on, in their order.
QStringList catalogQueries(const QList<LoggedRequest> &requests, qsizetype from = 0)
{
    const QStringList catalog {kCpuReportQuery, kTableQuery, kDatabaseQuery};
    QStringList queries;
    for (qsizetype i = from; i < requests.size(); ++i) {
        if (catalog.contains(requests.at(i).detail))
            queries << requests.at(i).detail;
    }
    return queries;
}

// Hands out prepared listings without a server, one failing when asked to, and notes what the
// discovery asked and heard.
class ScriptedReader : public CatalogReader
{
public:
    ScriptedReader(DbConnection &unused, Listings listings)
        : CatalogReader(unused)
        , m_listings(std::move(listings))
    {
    }

    std::optional<QueryRows> read(Listing listing, const QString &) override
    {
        asked << listing;
        if (!m_listings.contains(listing))
            return std::nullopt;
        return m_listings.value(listing);
    }
    void searched(Listing listing, bool found) override { heard << qMakePair(listing, found); }

    QList<Listing> asked;
    Findings heard;

private:
    Listings m_listings;
};

QueryRows names(const QStringList &texts)
{
    QueryRows rows;
    for (const QString &text : texts)
        rows << QueryRow {text};
    return rows;
}

} // namespace

// The discovery that the test run and the sweep share: what it asks, in which order, and what it
// makes of the answers, with and without the run's log.
class tst_ReportDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void choiceFromListings_data();
    void choiceFromListings();
    void unloggedFindsWhatTheRunFinds_data();
    void unloggedFindsWhatTheRunFinds();
};

void tst_ReportDiscovery::choiceFromListings_data()
{
    QTest::addColumn<Listings>("listings");
    QTest::addColumn<ReportDiscovery::Outcome>("outcome");
    QTest::addColumn<SampleStore>("store");
    QTest::addColumn<QList<Listing>>("asked");
    QTest::addColumn<Findings>("heard");

    using O = ReportDiscovery::Outcome;
    const QueryRows reports {
        {12, "CPU Edge", "CRATR-MIB|CRCpuEntry", 60}, {7, "CPU Core", {}, 300}};
    const QList<Listing> all {Listing::Reports, Listing::Tables, Listing::Databases};
    QTest::newRow("first report's table") << Listings {{Listing::Reports, reports},
        {Listing::Tables, names({"ATR_Reports", "ATR_Report_12_RAW"})}}
                                          << O::StoreChosen << SampleStore::InMonitoringDatabase
                                          << all.mid(0, 2) << Findings {{Listing::Tables, true}};
    QTest::newRow("first report's database, a later report's table")
        << Listings {{Listing::Reports, reports}, {Listing::Tables, names({"ATR_Report_7_RAW"})},
               {Listing::Databases, names({"master", "ATR_Report_12"})}}
        << O::StoreChosen << SampleStore::InReportDatabases << all
        << Findings {{Listing::Tables, false}, {Listing::Databases, true}};
    QTest::newRow("names that differ in letter case")
        << Listings {{Listing::Reports, reports}, {Listing::Tables, names({"atr_report_12_raw"})},
               {Listing::Databases, names({"atr_report_12"})}}
        << O::StoreChosen << SampleStore::NotFound << all
        << Findings {{Listing::Tables, false}, {Listing::Databases, false}};
    QTest::newRow("no report row") << Listings {{Listing::Reports, {}}} << O::NoCpuReports
                                   << SampleStore::NotFound << all.mid(0, 1) << Findings {};
    QTest::newRow("report query fails")
        << Listings {} << O::QueryFailed << SampleStore::NotFound << all.mid(0, 1) << Findings {};
    QTest::newRow("table listing fails") << Listings {{Listing::Reports, reports}} << O::QueryFailed
                                         << SampleStore::NotFound << all.mid(0, 2) << Findings {};
    QTest::newRow("database listing fails")
        << Listings {{Listing::Reports, reports}, {Listing::Tables, {}}} << O::QueryFailed
        << SampleStore::NotFound << all << Findings {{Listing::Tables, false}};
}

void tst_ReportDiscovery::choiceFromListings()
{
    QFETCH(Listings, listings);
    QFETCH(ReportDiscovery::Outcome, outcome);
    QFETCH(SampleStore, store);
    QFETCH(QList<Listing>, asked);
    QFETCH(Findings, heard);

    DbConnection unused;
    ScriptedReader reader(unused, listings);
    const ReportDiscovery discovery = ReportDiscovery::discover(reader);

    QCOMPARE(discovery.outcome, outcome);
    QCOMPARE(discovery.store, store);
    QCOMPARE(reader.asked, asked);
    QCOMPARE(reader.heard, heard);
    if (listings.contains(Listing::Reports))
        QCOMPARE(discovery.reports.size(), listings.value(Listing::Reports).size());
}

void tst_ReportDiscovery::unloggedFindsWhatTheRunFinds_data()
{
    QTest::addColumn<SampleStore>("store");
    QTest::addColumn<QString>("runLogLine");

    QTest::newRow("tables in the monitoring database")
        << SampleStore::InMonitoringDatabase
        << "SqlExpress: False (we need to check for more db on the Server)";
    QTest::newRow("a database per report")
        << SampleStore::InReportDatabases
        << "SqlExtAtrDb: True (we have found external ATR Db on the Server)";
    QTest::newRow("neither") << SampleStore::NotFound
                             << "No External ATR Databases could be found on the server";
}

void tst_ReportDiscovery::unloggedFindsWhatTheRunFinds()
{
    QFETCH(SampleStore, store);
    QFETCH(QString, runLogLine);

    MonitoringFixture fixture;
    QStringList statements = reportTableStatements()
        << cpuReportRow("12", "'CPU Edge'", "60") << cpuReportRow("7", "'CPU Core'", "300")
        << nodesTableStatement();
    if (store == SampleStore::InMonitoringDatabase)
        statements << sampleTableStatement("ATR_Report_12_RAW")
                   << sampleTableStatement("ATR_Report_7_RAW");
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", statements), qPrintable(fixture.error));
    if (store == SampleStore::InReportDatabases) {
        QVERIFY2(fixture.addDatabase("ATR_Report_12", {sampleTableStatement("RAW")}),
            qPrintable(fixture.error));
        QVERIFY2(fixture.addDatabase("ATR_Report_7", {sampleTableStatement("RAW")}),
            qPrintable(fixture.error));
    }
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    TestRunDriver(fixture.host).run();
    QVERIFY(fixture.runLog().contains(kCrlf + runLogLine + kCrlf));
    const QStringList runQueries = catalogQueries(fixture.server().loggedRequests());
    const qsizetype before = fixture.server().loggedRequests().size();

    DbConnection connection;
    const ConnectionFields fields = fixture.host.connectionFields();
    QVERIFY2(connection.open(fields, fields.SqlDatabase, {}), qPrintable(connection.lastError()));
    CatalogReader reader(connection);
    const ReportDiscovery discovery = ReportDiscovery::discover(reader);

    QCOMPARE(discovery.outcome, ReportDiscovery::Outcome::StoreChosen);
    QCOMPARE(discovery.store, store);
    QCOMPARE(discovery.reports.size(), 2);
    QCOMPARE(discovery.reports.first().report_id, 12);
    QCOMPARE(discovery.reports.last().pollint, qint16(300));
    QCOMPARE(catalogQueries(fixture.server().loggedRequests(), before), runQueries);

    // Every report's samples are found where the store locates them, over a connection to the
    // database it names, as the run, the sweep and the device load read them.
    for (const CpuReport &report : std::as_const(discovery.reports)) {
        const auto location = SampleStoreNames::locate(discovery.store, report.report_id);
        QCOMPARE(location.has_value(), store != SampleStore::NotFound);
        if (!location)
            continue;
        DbConnection samples;
        QVERIFY2(samples.open(fields, location->database(fields.SqlDatabase), {}),
            qPrintable(samples.lastError()));
        QVERIFY2(samples.exec(QStringLiteral("SELECT COUNT(node_id) FROM ") + location->table),
            qPrintable(samples.lastError()));
    }
}

QTEST_GUILESS_MAIN(tst_ReportDiscovery)
#include "tst_reportdiscovery.moc"
