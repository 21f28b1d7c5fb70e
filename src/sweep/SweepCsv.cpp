#include "sweep/SweepCsv.h"

#include "sweep/BufferedOutput.h"
#include "sweep/SweepResult.h"
#include "sweep/SweepSettings.h"

namespace tovik {

QByteArray SweepCsv::field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r')
        && !bytes.contains('\n'))
        return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

bool SweepCsv::write(QIODevice &device, const SweepResult &result, const SweepSettings &settings)
{
    BufferedOutput out(device);
    QList<QByteArray> hours;
    for (const QString &text : result.range.hourTexts())
        hours << text.toUtf8();
    out << QByteArrayLiteral("hour,report_id,node_id,node_name,address,count,caught,samples\r\n");
    for (const SweepRow &row : result.rows) {
        const NodeAttributes node = result.node(row.nodeId);
        out << hours.at(row.hourIndex) << QByteArrayLiteral(",") << qint64(result.reportId(row))
            << QByteArrayLiteral(",") << qint64(row.nodeId) << QByteArrayLiteral(",")
            << field(node.name) << QByteArrayLiteral(",") << field(node.address)
            << QByteArrayLiteral(",") << qint64(row.count)
            << (SweepResult::isCaught(row, settings.occurrences) ? QByteArrayLiteral(",true,")
                                                                 : QByteArrayLiteral(",false,"))
            << qint64(row.samples) << QByteArrayLiteral("\r\n");
    }
    return out.finish();
}

} // namespace tovik
