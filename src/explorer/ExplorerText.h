#pragma once

#include "sweep/AlarmChoice.h"
#include "sweep/HoldOutScore.h"
#include "sweep/SweepRange.h"
#include "sweep/ThresholdLadder.h"

#include <QDateTime>
#include <QString>
#include <optional>

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

// A line of the status bar, and whether it tells of a failure.
struct StatusMessage
{
    QString text;
    bool failure = false;
};

// Before the first sweep.
QString firstStatus();
QString connecting();
// "Report 2 of 3..."
QString reportProgress(int report, int reports);
// The result on screen at threshold and occurrences: the devices that reached the threshold, the
// hours, what timing measured and the blind hours; the reports without a sample. A failure when
// no report has one, since zeros from a range without samples would read as a quiet installation.
StatusMessage summary(
    const SweepGrid &grid, qint16 threshold, qint16 occurrences, const QString &timing);
// A sweep that ended without a result: by the user's cancel, or with the database's description.
StatusMessage ended(const QString &description, bool cancelled, bool resultKept);
QString noResultToExport();
// "The report could not be written to PATH: REASON"; what is "chart" or "report".
QString notWritten(const QString &what, const QString &path, const QString &reason);

// What the time in the status line measured: a sweep's query, or a redraw of the result held in
// memory.
enum class Timing { Query, Redraw };
// "queried in 4.8 s", "redrawn from memory in 12 ms".
QString timingText(Timing timing, qint64 ms);
// A successful export's line: "Report written to /path/report.pdf".
QString writtenTo(const QString &what, const QString &path);

// "5 incidents loaded from /path/incidents.csv."
QString incidentsLoaded(qsizetype count, const QString &path);
// Incidents loaded before any result.
QString incidentsAwaitResult();
// "3 of 5 incidents caught."
QString incidentsCaught(qsizetype caught, qsizetype total);
// "Chosen on 2026-12-05 14:00 to 2026-12-06 14:00, the tuning table, the best setting and the
// noise with it; 60 % and 3 occurrences, 9.6 alarms a day there, on the last day: 12 alarms,
// 12.0 a day, 1 of 2 incidents caught." Without a score, that no setting was within the budget.
QString holdOut(const SweepRange &chosenOn, const std::optional<HoldOutScore> &score,
    const ThresholdLadder &ladder);
// A hold-out of as many hours as the range or more.
QString holdOutTooLong(int days, int rangeHours);
// The noise view's heading: "75 % and 3 occurrences: 120 alarms, by hour of day".
QString noiseHeading(AlarmChoice setting, qint64 alarms);
// The noise view before a result with samples.
QString noNoise();

} // namespace ExplorerText

} // namespace tovik
