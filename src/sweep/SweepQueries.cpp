#include "sweep/SweepQueries.h"

namespace tovik {

QString SweepQueries::aggregate(const QString &table, int thresholds)
{
    QString text = QStringLiteral("SELECT node_id, DATEDIFF(hour, 0, hist_time), COUNT(*)");
    for (int i = 0; i < thresholds; ++i)
        text += QStringLiteral(", SUM(CASE WHEN ProcessorLoad >= ? THEN 1 ELSE 0 END)");
    return text + QStringLiteral(" FROM ") + table
        + QStringLiteral(" WHERE hist_time >= ? AND hist_time < ? GROUP BY node_id, "
                         "DATEDIFF(hour, 0, hist_time)");
}

QString SweepQueries::nodeAttributes()
{
    return QStringLiteral("SELECT node_id, node_name, address FROM ATR_Nodes");
}

QString SweepQueries::deviceLoad(const QString &table)
{
    return QStringLiteral("SELECT hist_time, ProcessorLoad FROM ") + table
        + QStringLiteral(
            " WHERE node_id = ? AND hist_time >= ? AND hist_time < ? ORDER BY hist_time");
}

} // namespace tovik
