#include "explorer/ExplorerText.h"

#include "common/TimeFormats.h"
#include "sweep/SampleCoverage.h"
#include "sweep/SweepGrid.h"

#include <QLocale>
#include <QRegularExpression>

namespace tovik::ExplorerText {

QString number(qint64 value)
{
    return QLocale().toString(value);
}

QString hour(const QDateTime &hour)
{
    const QLocale locale;
    return locale.toString(hour.date(), QLocale::ShortFormat) + u' '
        + locale.toString(hour.time(), QLocale::ShortFormat);
}

QDateTime localTime(const QDateTime &hour)
{
    return QDateTime(hour.date(), hour.time());
}

qreal chartTime(const QDateTime &hour)
{
    return qreal(localTime(hour).toMSecsSinceEpoch());
}

QString axisFormat()
{
    // The locale's full short date and time would be elided at a handful of ticks; the weekday
    // and the locale's time tell the hours of a few days apart.
    // Some locales' short time (C's among them) still holds seconds, always :00 here.
    static const QRegularExpression seconds(QStringLiteral("[:.]ss"));
    return QStringLiteral("ddd<br>") + QLocale().timeFormat(QLocale::ShortFormat).remove(seconds);
}

QString cellTip(const SweepGrid &grid, int device, int hourIndex, qint16 occurrences)
{
    const SweepResult &result = grid.result();
    const QString where
        = grid.nodeInReport(device) + QStringLiteral(", ") + hour(result.range.hour(hourIndex));
    if (!result.monitored.value(hourIndex))
        return where + QStringLiteral(": not monitored");
    const QString counted = where + QStringLiteral(": ") + number(grid.count(device, hourIndex))
        + QStringLiteral(" at or over the threshold of ") + number(grid.samples(device, hourIndex))
        + QStringLiteral(" samples");
    if (grid.isCaught(device, hourIndex, occurrences))
        return counted + QStringLiteral(", caught");
    if (grid.isNearMiss(device, hourIndex, occurrences))
        return counted + QStringLiteral(", one sample short");
    if (grid.isBlind(device, hourIndex, occurrences))
        return counted + QStringLiteral(", too few samples in the hour to fire");
    return counted;
}

QString firstStatus()
{
    return QStringLiteral("Set the connection and press Run.");
}

QString connecting()
{
    return QStringLiteral("Connecting...");
}

QString reportProgress(int report, int reports)
{
    return QStringLiteral("Report %1 of %2...").arg(number(report), number(reports));
}

StatusMessage summary(
    const SweepGrid &grid, qint16 threshold, qint16 occurrences, const QString &timing)
{
    const SweepResult &result = grid.result();
    if (!SampleCoverage::hasAnySample(result))
        return {SampleCoverage::noSamplesText(result) + u'.', true};
    QString unsampled;
    if (const std::optional<QString> text = SampleCoverage::unsampledReportsText(result))
        unsampled = u' ' + *text + u'.';
    return {QStringLiteral("%1 devices with samples at or over %2 % in %3 hours, %4.")
                .arg(number(grid.reachingDeviceCount()), number(threshold),
                    number(grid.hourCount()), timing)
            + u' '
            + QStringLiteral("%1 blind hours: fewer than %2 samples in the hour, too few to fire.")
                  .arg(number(grid.blindDeviceHours(occurrences)), number(occurrences))
            + unsampled,
        false};
}

StatusMessage ended(const QString &description, bool cancelled, bool resultKept)
{
    const QString kept
        = resultKept ? QStringLiteral(" The previous result stays on screen.") : QString();
    return {(cancelled ? QStringLiteral("Cancelled.") : description) + kept, !cancelled};
}

QString noResultToExport()
{
    return QStringLiteral("There is no result to export yet.");
}

QString notWritten(const QString &what, const QString &path, const QString &reason)
{
    return QStringLiteral("The %1 could not be written to %2: %3").arg(what, path, reason);
}

QString timingText(Timing timing, qint64 ms)
{
    const QLocale locale;
    // A redraw takes milliseconds, a query of a week seconds: each read in its own unit.
    const QString duration = ms < 1000
        ? locale.toString(ms) + QStringLiteral(" ms")
        : locale.toString(ms / 1000.0, 'f', 1) + QStringLiteral(" s");
    return (timing == Timing::Query ? QStringLiteral("queried in ")
                                    : QStringLiteral("redrawn from memory in "))
        + duration;
}

QString writtenTo(const QString &what, const QString &path)
{
    return what + QStringLiteral(" written to ") + path;
}

QString incidentsLoaded(qsizetype count, const QString &path)
{
    return QStringLiteral("%1 %2 loaded from %3.")
        .arg(number(count), count == 1 ? QStringLiteral("incident") : QStringLiteral("incidents"),
            path);
}

QString incidentsAwaitResult()
{
    return QStringLiteral("Each setting is scored against them once a result is on screen.");
}

QString incidentsCaught(qsizetype caught, qsizetype total)
{
    return QStringLiteral("%1 of %2 %3 caught.")
        .arg(number(caught), number(total),
            total == 1 ? QStringLiteral("incident") : QStringLiteral("incidents"));
}

QString holdOut(const SweepRange &chosenOn, const std::optional<HoldOutScore> &score,
    const ThresholdLadder &ladder)
{
    const QString part
        = QStringLiteral("Chosen on %1 to %2: the tuning table, the best setting and "
                         "the noise describe these hours.")
              .arg(chosenOn.from().toString(TimeFormats::kMinute),
                  chosenOn.to().toString(TimeFormats::kMinute));
    if (!score)
        return part + QStringLiteral(" No setting chosen there stays within the budget.");
    const QLocale locale;
    const QString days = score->days == 1 ? QStringLiteral("the last day")
                                          : QStringLiteral("the last %1 days").arg(score->days);
    QString text = part
        + QStringLiteral(
            " %1 % and %2 occurrences, %3 alarms a day there; on %4: %5 alarms, %6 a day")
              .arg(number(ladder.threshold(score->setting.step)),
                  number(score->setting.occurrences),
                  locale.toString(score->predictedAlarmsPerDay, 'f', 1), days,
                  number(score->alarms), locale.toString(score->alarmsPerDay, 'f', 1));
    if (score->incidentsCaught)
        text += QStringLiteral(", %1 of %2 incidents there caught")
                    .arg(number(*score->incidentsCaught),
                        number(score->incidentsInPart.value_or(0)));
    return text + u'.';
}

QString holdOutTooLong(int days, int rangeHours)
{
    return QStringLiteral("The range of %1 hours is too short to hold out %2 %3.")
        .arg(number(rangeHours), number(days),
            days == 1 ? QStringLiteral("day") : QStringLiteral("days"));
}

QString noiseHeading(AlarmChoice setting, qint64 alarms)
{
    return QStringLiteral("%1 % and %2 %3: %4 %5, by hour of day")
        .arg(number(setting.threshold), number(setting.occurrences),
            setting.occurrences == 1 ? QStringLiteral("occurrence") : QStringLiteral("occurrences"),
            number(alarms), alarms == 1 ? QStringLiteral("alarm") : QStringLiteral("alarms"));
}

QString noNoise()
{
    return QStringLiteral("Where the alarms of the setting on screen come from shows here once "
                          "a result is on screen.");
}

} // namespace tovik::ExplorerText
