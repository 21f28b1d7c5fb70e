#include "sweep/SweepTable.h"

#include "common/TimeFormats.h"
#include "sweep/BufferedOutput.h"
#include "sweep/HourRanges.h"
#include "sweep/SweepResult.h"
#include "sweep/SweepSettings.h"

#include <QMap>
#include <algorithm>

namespace tovik {

namespace {

// A caught device: one report and one node under it.
using DeviceKey = std::pair<qint32, qint32>;

const QString ellipsis = QStringLiteral("...");
const QString rangeIndent = QStringLiteral("  ");
const QString rangeSeparator = QStringLiteral(", ");
// A name is cut no shorter than this, even when the address leaves less room for it.
constexpr qsizetype kShortestName = 12;

QString elided(const QString &text, qsizetype width)
{
    if (text.size() <= width)
        return text;
    return text.left(std::max<qsizetype>(width - ellipsis.size(), 0)) + ellipsis;
}

// The ranges indented, as many to a line as the width takes.
QStringList wrappedRanges(const QStringList &ranges)
{
    QStringList lines;
    QString line;
    for (const QString &range : ranges) {
        if (line.isEmpty()) {
            line = rangeIndent + range;
        } else if (line.size() + rangeSeparator.size() + range.size() <= SweepTable::kWidth) {
            line += rangeSeparator + range;
        } else {
            lines << line;
            line = rangeIndent + range;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

// "report 7  node 101  core-rtr-01  192.0.2.1  3 hours", the name cut to what the width leaves.
QString deviceLine(const DeviceKey &device, const NodeAttributes &node, qsizetype caughtHours)
{
    const QString before
        = QStringLiteral("report %1  node %2  ").arg(device.first).arg(device.second);
    const QString after = QStringLiteral("  %1  %2 hours").arg(node.address).arg(caughtHours);
    const qsizetype nameWidth
        = std::max(SweepTable::kWidth - before.size() - after.size(), kShortestName);
    return elided(before + elided(node.name, nameWidth) + after, SweepTable::kWidth);
}

void writeHours(BufferedOutput &out, const SweepResult &result, const QStringList &hours,
    const QList<int> &caught)
{
    out << QByteArrayLiteral("hour                 caught devices\n");
    for (int i = 0; i < hours.size(); ++i) {
        out << hours.at(i) << QByteArrayLiteral("  ")
            << (result.monitored.at(i) ? QByteArray::number(caught.at(i))
                                       : QByteArrayLiteral("not monitored"))
            << QByteArrayLiteral("\n");
    }
}

void writeDevices(BufferedOutput &out, const SweepResult &result, qint16 occurrences)
{
    QMap<DeviceKey, QList<int>> caughtHours;
    for (const SweepRow &row : result.rows) {
        if (SweepResult::isCaught(row, occurrences))
            caughtHours[{result.reportId(row), row.nodeId}] << row.hourIndex;
    }
    out << QByteArrayLiteral("\ncaught devices: ") << qint64(caughtHours.size())
        << QByteArrayLiteral("\n");
    for (auto device = caughtHours.cbegin(); device != caughtHours.cend(); ++device) {
        out << deviceLine(device.key(), result.node(device.key().second), device.value().size())
            << QByteArrayLiteral("\n");
        for (const QString &line : wrappedRanges(HourRanges::of(result.range, device.value())))
            out << line << QByteArrayLiteral("\n");
    }
}

// One calendar day of the range: its hours are consecutive, from firstHour to lastHour.
struct DayTotal
{
    int alarms = 0;
    bool monitored = false;
    int firstHour = 0;
    int lastHour = 0;
};

QByteArray dayText(const DayTotal &day)
{
    QByteArray text
        = day.monitored ? QByteArray::number(day.alarms) : QByteArrayLiteral("not monitored");
    // A day the range cuts short holds fewer alarms than a whole one would, and must say so.
    constexpr int hoursOfDay = 24;
    if (day.lastHour - day.firstHour + 1 < hoursOfDay) {
        text += QStringLiteral(" (partial day, %1 to %2)")
                    .arg(TimeFormats::hourOfDay(day.firstHour),
                        TimeFormats::hourOfDay(day.lastHour + 1))
                    .toUtf8();
    }
    return text;
}

// Per day of the range the caught device-hours; a day without a monitored hour says so, and so
// does a day the range covers only in part.
void writeDays(BufferedOutput &out, const SweepResult &result, const QList<int> &caught)
{
    QMap<QDate, DayTotal> days;
    for (int i = 0; i < caught.size(); ++i) {
        const QDateTime hour = result.range.hour(i);
        const bool first = !days.contains(hour.date());
        DayTotal &day = days[hour.date()];
        if (first)
            day.firstHour = hour.time().hour();
        day.lastHour = hour.time().hour();
        day.alarms += caught.at(i);
        day.monitored = day.monitored || result.monitored.at(i);
    }
    out << QByteArrayLiteral("\nalarms per day (caught device-hours)\n");
    for (auto date = days.cbegin(); date != days.cend(); ++date) {
        out << date.key().toString(Qt::ISODate) << QByteArrayLiteral("  ") << dayText(date.value())
            << QByteArrayLiteral("\n");
    }
}

} // namespace

bool SweepTable::write(QIODevice &device, const SweepResult &result, const SweepSettings &settings)
{
    BufferedOutput out(device);
    if (result.store == SampleStore::NotFound)
        out << QByteArrayLiteral("No External ATR Databases could be found on the server\n");
    const QList<int> caught = result.caughtPerHour(settings.occurrences);
    writeHours(out, result, result.range.hourTexts(), caught);
    writeDevices(out, result, settings.occurrences);
    writeDays(out, result, caught);
    return out.finish();
}

} // namespace tovik
