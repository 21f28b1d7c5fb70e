#include "explorer/IncidentSpans.h"

#include "common/TimeFormats.h"
#include "explorer/ExplorerText.h"

namespace tovik::IncidentSpans {

namespace {

bool overlaps(const Incident &incident, const QDateTime &from, const QDateTime &to)
{
    return incident.start < to && from < incident.end;
}

} // namespace

QList<QList<int>> byHour(const QList<Incident> &incidents, const SweepRange &range)
{
    QList<QList<int>> hours(range.hourCount());
    constexpr qint64 kSecondsPerHour = 3600;
    for (int i = 0; i < incidents.size(); ++i) {
        const qint64 fromStart = range.from().secsTo(incidents.at(i).start);
        const qint64 toEnd = range.from().secsTo(incidents.at(i).end);
        // From the hour holding the start to the last one the end reaches into; before the
        // range's first hour a negative start counts from it.
        const qint64 first = std::max<qint64>(fromStart / kSecondsPerHour, 0);
        const qint64 last = std::min<qint64>(
            (toEnd + kSecondsPerHour - 1) / kSecondsPerHour - 1, range.hourCount() - 1);
        for (qint64 h = first; h <= last; ++h)
            hours[h] << i;
    }
    return hours;
}

std::optional<std::pair<QDateTime, QDateTime>> within(
    const Incident &incident, const SweepRange &range)
{
    if (!overlaps(incident, range.from(), range.to()))
        return std::nullopt;
    return std::pair {std::max(incident.start, range.from()), std::min(incident.end, range.to())};
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

bool namesDevice(
    const Incident &incident, qint32 reportId, qint32 nodeId, const NodeAttributes &node)
{
    const QString &device = incident.device;
    if (device.isEmpty())
        return false;
    if (!node.name.isEmpty() && device.compare(node.name, Qt::CaseInsensitive) == 0)
        return true;
    if (!node.address.isEmpty() && device == node.address)
        return true;
    return device == QStringLiteral("%1:%2").arg(reportId).arg(nodeId);
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
