#include "explorer/IncidentSpans.h"

#include "common/TimeFormats.h"
#include "explorer/ExplorerText.h"
#include "sweep/IncidentMatch.h"

#include <optional>
#include <utility>

namespace tovik::IncidentSpans {

namespace {

// The incident's time within range; nothing for one wholly outside it.
std::optional<std::pair<QDateTime, QDateTime>> within(
    const Incident &incident, const SweepRange &range)
{
    if (incident.end <= range.from() || range.to() <= incident.start)
        return std::nullopt;
    return std::pair {std::max(incident.start, range.from()), std::min(incident.end, range.to())};
}

} // namespace

QList<QList<int>> byHour(const QList<Incident> &incidents, const SweepRange &range)
{
    // The hours an incident overlaps are those it counts in without a lead.
    const IncidentMatch match(incidents, range, 0);
    QList<QList<int>> hours(range.hourCount());
    for (int i = 0; i < match.incidentCount(); ++i) {
        for (int h = match.window(i).first; h <= match.window(i).last; ++h)
            hours[h] << i;
    }
    return hours;
}

// Overlapping times are joined first: the area's outline must run forward in time, else the
// overlap would be cut out of it.
QList<QPointF> bandOutline(const QList<Incident> &incidents, const SweepRange &range, qreal top)
{
    QList<std::pair<QDateTime, QDateTime>> spans;
    for (const Incident &incident : incidents) {
        if (const auto span = within(incident, range))
            spans << *span;
    }
    std::sort(spans.begin(), spans.end());
    QList<std::pair<QDateTime, QDateTime>> joined;
    for (const auto &span : spans) {
        if (!joined.isEmpty() && span.first <= joined.last().second)
            joined.last().second = std::max(joined.last().second, span.second);
        else
            joined << span;
    }
    QList<QPointF> outline;
    for (const auto &[start, end] : joined) {
        const qreal from = ExplorerText::chartTime(start);
        const qreal to = ExplorerText::chartTime(end);
        outline << QPointF(from, 0) << QPointF(from, top) << QPointF(to, top) << QPointF(to, 0);
    }
    return outline;
}

QString describe(const Incident &incident)
{
    const QString device = incident.isAnyDevice() ? QStringLiteral("any device") : incident.device;
    const QString note = incident.note.isEmpty() ? QString() : QStringLiteral(": ") + incident.note;
    return QStringLiteral("%1 to %2, %3%4")
        .arg(incident.start.toString(TimeFormats::kMinute),
            incident.end.toString(TimeFormats::kMinute), device, note);
}

} // namespace tovik::IncidentSpans
