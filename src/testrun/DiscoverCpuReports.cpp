#include "testrun/DiscoverCpuReports.h"

#include "common/ValueText.h"
#include "monitoring/CatalogReader.h"
#include "monitoring/ReportDiscovery.h"
#include "testrun/RunEndings.h"
#include "testrun/TestRun.h"

namespace tovik {

namespace {

using Listing = CatalogReader::Listing;

QStringList headerLines(Listing listing)
{
    switch (listing) {
    case Listing::Reports:
        return {QStringLiteral("*** Get All Reports based on Online Server CPU ***")};
    case Listing::Tables:
        return {QString(), QStringLiteral("*** Get All Table Names in SnmpcOnline db ***")};
    case Listing::Databases:
        return {QStringLiteral("*** Get All db names on the server ***")};
    }
    return {};
}

// The report rows show their four columns as read, the catalog listings their names.
int shownColumns(Listing listing)
{
    return listing == Listing::Reports ? 4 : 1;
}

QString columnHeader(Listing listing)
{
    return listing == Listing::Reports
        ? QStringLiteral("report_id\treport_name\ttable_name\tpollint")
        : QStringLiteral("name");
}

QString rowLine(const QueryRow &row, int columns)
{
    QStringList values;
    for (int i = 0; i < columns; ++i)
        values << valueText(column(row, i));
    return values.join(RunLog::tab);
}

// Runs each catalog query through the run's session, which logs and times it, then lists its rows
// and, after a search, what was found.
class RunLogCatalogReader : public CatalogReader
{
public:
    explicit RunLogCatalogReader(TestRun &run)
        : CatalogReader(run.mainConnection)
        , m_run(run)
    {
    }

    std::optional<QueryRows> read(Listing listing, const QString &sql) override
    {
        const quint32 start = m_run.session.startMark();
        auto rows = m_run.session.query(connection(), headerLines(listing), sql, start);
        if (!rows)
            return std::nullopt;
        m_run.log.appendLine(columnHeader(listing));
        for (const QueryRow &row : std::as_const(*rows))
            m_run.log.appendLine(rowLine(row, shownColumns(listing)));
        return rows;
    }

    void searched(Listing listing, bool found) override
    {
        m_run.log.appendLine();
        if (listing == Listing::Tables)
            m_run.log.appendLine(QStringLiteral("SqlExpress: ") + valueText(!found)
                + QStringLiteral(" (we need to check for more db on the Server)"));
        else
            m_run.log.appendLine(QStringLiteral("SqlExtAtrDb: ") + valueText(found)
                + QStringLiteral(" (we have found external ATR Db on the Server)"));
        m_run.log.appendLine();
    }

private:
    TestRun &m_run;
};

} // namespace

std::optional<SampleStore> DiscoverCpuReports(TestRun &run)
{
    RunLogCatalogReader reader(run);
    const ReportDiscovery discovery = ReportDiscovery::discover(reader);
    run.reports = discovery.reports;
    switch (discovery.outcome) {
    case ReportDiscovery::Outcome::QueryFailed:
        RunEndings::queryFailure(run);
        return std::nullopt;
    case ReportDiscovery::Outcome::NoCpuReports:
        RunEndings::noCpuReports(run);
        return std::nullopt;
    case ReportDiscovery::Outcome::StoreChosen:
        break;
    }
    if (discovery.store == SampleStore::NotFound) {
        run.log.appendLine();
        run.log.appendLine(
            QStringLiteral("No External ATR Databases could be found on the server"));
    }
    return discovery.store;
}

} // namespace tovik
