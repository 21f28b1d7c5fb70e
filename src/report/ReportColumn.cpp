#include "report/ReportColumn.h"

#include "sweep/HourRanges.h"
#include "sweep/SweepGrid.h"

namespace tovik {

namespace {

QList<int> caughtHours(const SweepGrid &grid, int device, qint16 occurrences)
{
    QList<int> hours;
    for (const GridDevice::Cell &cell : grid.device(device).cells) {
        if (grid.isCaught(device, cell.hourIndex, occurrences))
            hours << cell.hourIndex;
    }
    return hours;
}

} // namespace

QList<ReportColumn> ReportColumn::deviceColumns()
{
    return {
        {QStringLiteral("Device"), false,
            [](const SweepGrid &grid, int device, qint16) { return grid.deviceName(device); }},
        {QStringLiteral("Address"), false,
            [](const SweepGrid &grid, int device, qint16) {
                return grid.result().node(grid.device(device).nodeId).address;
            }},
        {QStringLiteral("Report"), false,
            [](const SweepGrid &grid, int device, qint16) { return grid.reportName(device); }},
        {QStringLiteral("Hours caught"), true,
            [](const SweepGrid &grid, int device, qint16 occurrences) {
                return QString::number(grid.hoursCaught(device, occurrences));
            }},
        {QStringLiteral("Near misses"), true,
            [](const SweepGrid &grid, int device, qint16 occurrences) {
                return QString::number(grid.nearMisses(device, occurrences));
            }},
        {QStringLiteral("Blind hours"), true,
            [](const SweepGrid &grid, int device, qint16 occurrences) {
                return QString::number(grid.blindHours(device, occurrences));
            }},
        {QStringLiteral("Caught in"), false,
            [](const SweepGrid &grid, int device, qint16 occurrences) {
                // A line breaks between ranges, never within one.
                QStringList ranges
                    = HourRanges::of(grid.result().range, caughtHours(grid, device, occurrences));
                for (QString &range : ranges)
                    range.replace(u' ', QChar::Nbsp);
                return ranges.join(QStringLiteral(", "));
            }},
    };
}

} // namespace tovik
