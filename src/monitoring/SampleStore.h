#pragma once

#include <QString>

namespace tovik {

// Where the CPU reports' samples are kept: one table per report in the monitoring database, one
// database per report on the same server, or nowhere that the first report shows.
enum class SampleStore { OnlineDb, ExternalAtrDbs, None };

// The names under which a report's samples are found in either store.
class SampleStoreNames
{
public:
    // A report's sample table in the monitoring database.
    static QString onlineTable(qint32 reportId);
    // The database a report keeps its samples in when it has one of its own, and their table there.
    static QString reportDatabase(qint32 reportId);
    static inline const QString kReportDatabaseTable = QStringLiteral("RAW");
};

} // namespace tovik
