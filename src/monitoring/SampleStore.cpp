#include "monitoring/SampleStore.h"

namespace tovik {

std::optional<SampleLocation> SampleStoreNames::locate(SampleStore store, qint32 reportId)
{
    switch (store) {
    case SampleStore::InMonitoringDatabase:
        return SampleLocation {{}, monitoringDatabaseTable(reportId)};
    case SampleStore::InReportDatabases:
        // Every report database names its sample table alike.
        return SampleLocation {reportDatabase(reportId), QStringLiteral("RAW")};
    case SampleStore::NotFound:
        break;
    }
    return std::nullopt;
}

QString SampleStoreNames::monitoringDatabaseTable(qint32 reportId)
{
    return reportDatabase(reportId) + QStringLiteral("_RAW");
}

QString SampleStoreNames::reportDatabase(qint32 reportId)
{
    return QStringLiteral("ATR_Report_") + QString::number(reportId);
}

} // namespace tovik
