#pragma once

#include "MonitoringFixture.h"

#include <QMap>
#include <QPair>

namespace tovik::test {

// Hand-made samples with polling gaps and near misses: reports 7 and 12 from 10:00 to 15:00 on
// 2026-12-07, of which 11:00 to 15:00 are monitored, counted at a threshold of 50 %.
//
//   report 7, node 101   10:00 one sample (not monitored); 11:00 60 70 20 30; 12:00 none;
//                        13:00 80 81 82; 14:00 90 95
//   report 7, node 102   11:00 10 20 30; 12:00 10; none after
//   report 7, node 0     11:00 99 (no device)
//   report 7, node 104   10:00 five samples, none in a monitored hour
//   report 12, node 101  11:00 55 56 10; 12:00 60 60 60; 13:00 and 14:00 10 10 10
//   report 12, node 0    10:00 one sample (no device, in an hour not monitored)
namespace MarksInstallation {

inline const QString kFrom = QStringLiteral("2026-12-07 10:00:00");
inline const QString kTo = QStringLiteral("2026-12-07 15:00:00");
constexpr int kMonitoringStart = 11;
constexpr int kMonitoringStop = 15;
constexpr int kThreshold = 50;

// (report_id, node_id) of a device.
using Device = QPair<int, int>;
// Per device its near misses and blind hours at one occurrences value.
using Marks = QMap<Device, QPair<int, int>>;

// The samples in the monitoring database or, external, in a database of each report.
bool install(MonitoringFixture &fixture, bool external);
// The hand count of the samples above.
Marks handCount(int occurrences);

} // namespace MarksInstallation

} // namespace tovik::test
