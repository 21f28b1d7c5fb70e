#include "monitoring/ReportDiscovery.h"

#include "common/IntegerConversion.h"
#include "common/ValueText.h"
#include "monitoring/CatalogReader.h"
#include "monitoring/DiscoveryQueries.h"

#include <algorithm>

namespace tovik {

namespace {

using Listing = CatalogReader::Listing;

// A value that does not convert leaves its field at the initial value.
CpuReport reportFromRow(const QueryRow &row)
{
    CpuReport report;
    report.report_id = IntegerConversion::toInt32(column(row, 0)).value_or(0);
    report.report_name = valueText(column(row, 1));
    report.table_name = valueText(column(row, 2));
    report.pollint = IntegerConversion::toInt16(column(row, 3)).value_or(0);
    return report;
}

// Whether a catalog listing names wanted, compared as whole texts with letter case; nothing when
// its query failed.
std::optional<bool> search(
    CatalogReader &reader, Listing listing, const QString &sql, const QString &wanted)
{
    const auto rows = reader.read(listing, sql);
    if (!rows)
        return std::nullopt;
    const bool found = std::any_of(rows->cbegin(), rows->cend(),
        [&wanted](const QueryRow &row) { return valueText(column(row, 0)) == wanted; });
    reader.searched(listing, found);
    return found;
}

} // namespace

ReportDiscovery ReportDiscovery::discover(CatalogReader &reader)
{
    ReportDiscovery discovery;
    const auto rows = reader.read(Listing::Reports, kCpuReportQuery);
    if (!rows)
        return discovery;
    for (const QueryRow &row : *rows)
        discovery.reports << reportFromRow(row);
    if (discovery.reports.isEmpty()) {
        discovery.outcome = Outcome::NoCpuReports;
        return discovery;
    }

    const qint32 firstId = discovery.reports.first().report_id;
    const auto tableFound = search(
        reader, Listing::Tables, kTableQuery, SampleStoreNames::monitoringDatabaseTable(firstId));
    if (!tableFound)
        return discovery;
    if (*tableFound) {
        discovery.store = SampleStore::InMonitoringDatabase;
    } else {
        const auto databaseFound = search(
            reader, Listing::Databases, kDatabaseQuery, SampleStoreNames::reportDatabase(firstId));
        if (!databaseFound)
            return discovery;
        discovery.store = *databaseFound ? SampleStore::InReportDatabases : SampleStore::NotFound;
    }
    discovery.outcome = Outcome::StoreChosen;
    return discovery;
}

} // namespace tovik
