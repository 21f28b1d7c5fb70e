#pragma once

#include <QDateTime>
#include <QString>

namespace tovik {

class SweepGrid;

// What the explorer shows as text, in the user's locale.
namespace ExplorerText {

QString number(qint64 value);
// A sweep's hour (wall-clock fields in UTC) as the locale writes a short date and time.
QString hour(const QDateTime &hour);
// The same hour as a local time, for a chart's time axis.
QDateTime localTime(const QDateTime &hour);
// localTime as a chart's x value.
qreal chartTime(const QDateTime &hour);
// The weekday and the locale's short time, for a time axis.
QString axisFormat();
QString cellTip(const SweepGrid &grid, int device, int hour, qint16 occurrences);

// What the time in the status line measured: a sweep's query, or a redraw of the result held in
// memory.
enum class Timing { Query, Redraw };
// "queried in 4.8 s", "redrawn from memory in 12 ms".
QString timingText(Timing timing, qint64 ms);
// A successful export's line: "Report written to /path/report.pdf".
QString writtenTo(const QString &what, const QString &path);

} // namespace ExplorerText

} // namespace tovik
