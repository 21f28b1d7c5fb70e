#pragma once

#include <QString>
#include <optional>

namespace tovik {

// Where the CPU reports' samples are kept: one table per report in the monitoring database, one
// database per report on the same server, or nowhere that the first report shows.
enum class SampleStore { InMonitoringDatabase, InReportDatabases, NotFound };

// Where one report's samples lie in a store: their table, and the report's own database unless
// they lie in the monitoring database, whose connection the caller already has or opens.
struct SampleLocation
{
    // Empty when the samples lie in the monitoring database.
    QString reportDatabase;
    QString table;

    bool inMonitoringDatabase() const { return reportDatabase.isEmpty(); }
    // The database to connect to for the samples, given the monitoring database's name.
    QString database(const QString &monitoringDatabase) const
    {
        return inMonitoringDatabase() ? monitoringDatabase : reportDatabase;
    }
};

// The names under which a report's samples are found in either store.
class SampleStoreNames
{
public:
    // Where reportId's samples lie in store; nothing when the store was not found.
    static std::optional<SampleLocation> locate(SampleStore store, qint32 reportId);

    // A report's sample table in the monitoring database.
    static QString monitoringDatabaseTable(qint32 reportId);
    // The database a report keeps its samples in when it has one of its own.
    static QString reportDatabase(qint32 reportId);
};

} // namespace tovik
