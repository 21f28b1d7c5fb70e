#include "sweep/SweepTable.h"

#include "sweep/BufferedOutput.h"
#include "sweep/SweepResult.h"
#include "sweep/SweepSettings.h"

#include <QMap>

namespace tovik {

namespace {

// A caught device: one node under one report.
using DeviceKey = std::pair<qint32, qint32>;

void writeHours(
    BufferedOutput &out, const SweepResult &result, const QStringList &hours, qint16 occurrences)
{
    const QList<int> caught = result.caughtPerHour(occurrences);
    out << QByteArrayLiteral("hour                 caught devices\n");
    for (int i = 0; i < hours.size(); ++i) {
        out << hours.at(i) << QByteArrayLiteral("  ")
            << (result.monitored.at(i) ? QByteArray::number(caught.at(i))
                                       : QByteArrayLiteral("not monitored"))
            << QByteArrayLiteral("\n");
    }
}

void writeDevices(
    BufferedOutput &out, const SweepResult &result, const QStringList &hours, qint16 occurrences)
{
    QMap<DeviceKey, QStringList> caughtHours;
    for (const SweepRow &row : result.rows) {
        if (SweepResult::isCaught(row, occurrences))
            caughtHours[{result.reportId(row), row.nodeId}] << hours.at(row.hourIndex);
    }
    out << QByteArrayLiteral("\ncaught devices: ") << qint64(caughtHours.size())
        << QByteArrayLiteral("\n");
    for (auto device = caughtHours.cbegin(); device != caughtHours.cend(); ++device) {
        const NodeAttributes node = result.node(device.key().second);
        out << QByteArrayLiteral("report ") << qint64(device.key().first)
            << QByteArrayLiteral("  node ") << qint64(device.key().second)
            << QByteArrayLiteral("  ") << node.name << QByteArrayLiteral("  ") << node.address
            << QByteArrayLiteral("  ") << qint64(device.value().size())
            << QByteArrayLiteral(" hours: ") << device.value().join(QStringLiteral(", "))
            << QByteArrayLiteral("\n");
    }
}

} // namespace

bool SweepTable::write(QIODevice &device, const SweepResult &result, const SweepSettings &settings)
{
    BufferedOutput out(device);
    if (result.store == SampleStore::None)
        out << QByteArrayLiteral("No External ATR Databases could be found on the server\n");
    const QStringList hours = result.range.hourTexts();
    writeHours(out, result, hours, settings.occurrences);
    writeDevices(out, result, hours, settings.occurrences);
    return out.finish();
}

} // namespace tovik
