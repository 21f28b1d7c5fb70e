#include "sweep/SweepTable.h"

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

// Per day of the range the caught device-hours; a day without a monitored hour says so.
void writeDays(BufferedOutput &out, const SweepResult &result, const QList<int> &caught)
{
    QMap<QDate, std::pair<int, bool>> days;
    for (int i = 0; i < caught.size(); ++i) {
        auto &[alarms, monitored] = days[result.range.hour(i).date()];
        alarms += caught.at(i);
        monitored = monitored || result.monitored.at(i);
    }
    out << QByteArrayLiteral("\nalarms per day (caught device-hours)\n");
    for (auto date = days.cbegin(); date != days.cend(); ++date) {
        out << date.key().toString(Qt::ISODate) << QByteArrayLiteral("  ")
            << (date.value().second ? QByteArray::number(date.value().first)
                                    : QByteArrayLiteral("not monitored"))
            << QByteArrayLiteral("\n");
    }
}

} // namespace

bool SweepTable::write(QIODevice &device, const SweepResult &result, const SweepSettings &settings)
{
    BufferedOutput out(device);
    if (result.store == SampleStore::None)
        out << QByteArrayLiteral("No External ATR Databases could be found on the server\n");
    const QList<int> caught = result.caughtPerHour(settings.occurrences);
    writeHours(out, result, result.range.hourTexts(), caught);
    writeDevices(out, result, settings.occurrences);
    writeDays(out, result, caught);
    return out.finish();
}

} // namespace tovik
