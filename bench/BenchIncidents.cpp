#include "BenchIncidents.h"

#include "BenchConnection.h"
#include "common/TimeFormats.h"
#include "db/DbConnection.h"
#include "sweep/SweepQueries.h"

#include <QFile>
#include <QRandomGenerator>

namespace tovik::bench {

namespace {

constexpr quint32 kSeed = 35;
// An outage lasts from a few minutes to a few hours.
constexpr int kShortestMinutes = 5;
constexpr int kLongestMinutes = 240;

// Mostly a device by name, some by address, a few on any device, as tickets name them.
QString deviceOf(const NodeAttributes &node, quint32 kind)
{
    if (kind < 6)
        return node.name;
    if (kind < 9)
        return node.address;
    return QString();
}

QByteArray incidentLine(int index, const QDateTime &start, int minutes, const QString &device)
{
    return (start.toString(TimeFormats::kSecond) + u','
        + start.addSecs(qint64(minutes) * 60).toString(TimeFormats::kSecond) + u',' + device
        + QStringLiteral(",\"ticket %1, generated\"\r\n").arg(index + 1))
        .toUtf8();
}

} // namespace

std::optional<QList<NodeAttributes>> BenchIncidents::readNodes(quint16 port, QString *failure)
{
    DbConnection connection;
    if (!openBenchConnection(connection, port, failure))
        return std::nullopt;
    QList<NodeAttributes> nodes;
    const bool read = connection.exec(SweepQueries::nodeAttributes())
        && connection.forEachRow(
            [&nodes](const QueryRow &row) { nodes << NodeAttributes::fromRow(row, 1); });
    if (!read || nodes.isEmpty()) {
        *failure
            = read ? QStringLiteral("the benchmark's data has no node") : connection.lastError();
        return std::nullopt;
    }
    return nodes;
}

bool BenchIncidents::write(const QString &path, const QList<NodeAttributes> &nodes,
    const SweepRange &range, QString *failure)
{
    QRandomGenerator random(kSeed);
    QByteArray csv = QByteArrayLiteral("start,end,device,note\r\n");
    const quint32 rangeMinutes = quint32(range.hourCount()) * 60;
    for (int i = 0; i < kCount; ++i) {
        const QDateTime start = range.from().addSecs(qint64(random.bounded(rangeMinutes)) * 60);
        const int minutes = int(random.bounded(kShortestMinutes, kLongestMinutes + 1));
        const NodeAttributes &node = nodes.at(qsizetype(random.bounded(quint32(nodes.size()))));
        csv += incidentLine(i, start, minutes, deviceOf(node, random.bounded(10u)));
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size())
        return true;
    *failure = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace tovik::bench
