#pragma once

#include "sweep/Incident.h"
#include "sweep/SweepRange.h"

#include <QList>
#include <QPointF>

namespace tovik {

// Where incidents lie on a sweep's hours, for the views that draw them: the heatmap's hour axis,
// the caught-per-hour chart and a device's load.
namespace IncidentSpans {

// Per hour of range, the incidents (by index) whose time overlaps it.
QList<QList<int>> byHour(const QList<Incident> &incidents, const SweepRange &range);
// The outline of an area series over each incident's time within range, from 0 to top, on a
// chart's time axis.
QList<QPointF> bandOutline(const QList<Incident> &incidents, const SweepRange &range, qreal top);
// "2026-12-07 11:30 to 13:00, rtr-core-01: core router down", any device named so.
QString describe(const Incident &incident);

} // namespace IncidentSpans

} // namespace tovik
