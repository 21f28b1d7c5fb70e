#include "sweep/SweepQueries.h"

namespace tovik {

QString SweepQueries::aggregate(const QString &table)
{
    return QStringLiteral("SELECT node_id, DATEDIFF(hour, 0, hist_time), COUNT(*) FROM ") + table
        + QStringLiteral(" WHERE hist_time >= ? AND hist_time < ? AND ProcessorLoad >= ? GROUP BY "
                         "node_id, DATEDIFF(hour, 0, hist_time)");
}

QString SweepQueries::nodeAttributes()
{
    return QStringLiteral("SELECT node_id, node_name, address FROM ATR_Nodes");
}

} // namespace tovik
