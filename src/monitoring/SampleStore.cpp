#include "monitoring/SampleStore.h"

namespace tovik {

QString SampleStoreNames::onlineTable(qint32 reportId)
{
    return reportDatabase(reportId) + QStringLiteral("_RAW");
}

QString SampleStoreNames::reportDatabase(qint32 reportId)
{
    return QStringLiteral("ATR_Report_") + QString::number(reportId);
}

} // namespace tovik
