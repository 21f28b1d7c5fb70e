#pragma once

#include "MonitoringFixture.h"

#include <QList>
#include <QString>

namespace tovik::test {

// One stored CPU sample of a report's node.
struct StoredSample
{
    qint32 reportId = 0;
    qint32 nodeId = 0;
    QString time;
    int load = 0;
};

// Two reports whose samples tell one device from another: in report 7 node 101 every five
// minutes with a polling gap from 11:20 to 11:40, three samples at or over 50 % from 12:00 (caught
// at three occurrences) and two from 13:00 (one short), node 102 beside it, and a sample of node
// 101 just before the range and one at its end; in report 12 node 101 again with other loads, and
// node 103.
namespace DeviceSamples {

inline const QString kFrom = QStringLiteral("2026-12-06 10:00:00");
inline const QString kTo = QStringLiteral("2026-12-07 14:00:00");
constexpr qint32 kGapNode = 101;
constexpr qint32 kBusyNode = 102;
constexpr qint32 kOtherReportNode = 103;

QList<StoredSample> all();
// The samples of the report's node with from <= time < to, in time order.
QList<StoredSample> of(
    qint32 reportId, qint32 nodeId, const QString &from = kFrom, const QString &to = kTo);
// The monitoring database with both reports, their samples in its own tables or in a database
// of each report.
bool install(MonitoringFixture &fixture, bool external);

} // namespace DeviceSamples

} // namespace tovik::test
