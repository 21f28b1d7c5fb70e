#pragma once

#include "monitoring/NodeAttributes.h"
#include "sweep/SweepRange.h"

#include <QList>
#include <QString>
#include <optional>

namespace tovik::bench {

// The incidents file of the tuning benchmark: as many incidents as asked, spread over its range,
// on the benchmark data's devices by name or address or on any device, the same every run.
class BenchIncidents
{
public:
    static constexpr int kCount = 1000;

    // The nodes of ATR_Nodes on the benchmark's server at port, over a connection of its own.
    static std::optional<QList<NodeAttributes>> readNodes(quint16 port, QString *failure);
    // Writes kCount incidents on nodes over range to path.
    static bool write(const QString &path, const QList<NodeAttributes> &nodes,
        const SweepRange &range, QString *failure);
};

} // namespace tovik::bench
