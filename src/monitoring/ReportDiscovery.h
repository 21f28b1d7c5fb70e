#pragma once

#include "monitoring/CpuReport.h"
#include "monitoring/SampleStore.h"

#include <QString>

namespace tovik {

class CatalogReader;

// The CPU reports and where their samples are kept, as the catalog queries show them. The store is
// chosen by the first report alone and taken to hold for every report: its table in the
// monitoring database, else its own database, else none.
struct ReportDiscovery
{
    enum class Outcome { StoreChosen, QueryFailed, NoCpuReports };

    Outcome outcome = Outcome::QueryFailed;
    // Every row of the report query, in the server's order; filled unless that query failed.
    CpuReportList reports;
    SampleStore store = SampleStore::NotFound;

    // Runs the report query, the table search and, when the table is not there, the database
    // search, each through reader and each at most once.
    static ReportDiscovery discover(CatalogReader &reader);

    static inline const QString kNoReportsMessage = QStringLiteral("No Online CPU Reports Found");
};

} // namespace tovik
