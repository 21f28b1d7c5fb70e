#include "sweep/SweepJson.h"

#include "sweep/BufferedOutput.h"
#include "sweep/SweepResult.h"
#include "sweep/SweepSettings.h"

namespace tovik {

namespace {

QByteArray storeName(SampleStore store)
{
    switch (store) {
    case SampleStore::InMonitoringDatabase:
        return "\"online\"";
    case SampleStore::InReportDatabases:
        return "\"external\"";
    case SampleStore::NotFound:
        break;
    }
    return "\"none\"";
}

QByteArray boolean(bool value)
{
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

// The fields a row and a caught device share.
QByteArray deviceFields(const SweepResult &result, const SweepRow &row)
{
    const NodeAttributes node = result.node(row.nodeId);
    return "\"report_id\":" + QByteArray::number(result.reportId(row)) + ",\"node_id\":"
        + QByteArray::number(row.nodeId) + ",\"node_name\":" + SweepJson::string(node.name)
        + ",\"address\":" + SweepJson::string(node.address)
        + ",\"count\":" + QByteArray::number(row.count);
}

void writeSettings(BufferedOutput &out, const SweepSettings &settings)
{
    out << QByteArrayLiteral("{\"settings\":{") << SweepJson::rangeFields(settings)
        << QByteArrayLiteral(",\"threshold\":") << qint64(settings.threshold)
        << QByteArrayLiteral(",\"occurrences\":") << qint64(settings.occurrences)
        << QByteArrayLiteral(",") << SweepJson::monitoringField(settings)
        << QByteArrayLiteral("},\n");
}

void writeHours(
    BufferedOutput &out, const SweepResult &result, const QStringList &hours, qint16 occurrences)
{
    out << QByteArrayLiteral("\"hours\":[");
    auto row = result.rows.cbegin();
    for (int i = 0; i < hours.size(); ++i) {
        out << QByteArray(i == 0 ? "\n" : ",\n") << QByteArrayLiteral("{\"hour\":")
            << SweepJson::string(hours.at(i)) << QByteArrayLiteral(",\"monitored\":")
            << boolean(result.monitored.at(i)) << QByteArrayLiteral(",\"caught\":[");
        bool first = true;
        for (; row != result.rows.cend() && row->hourIndex == i; ++row) {
            if (!SweepResult::isCaught(*row, occurrences))
                continue;
            out << QByteArray(first ? "{" : ",{") << deviceFields(result, *row)
                << QByteArrayLiteral("}");
            first = false;
        }
        out << QByteArrayLiteral("]}");
    }
    out << QByteArrayLiteral("],\n");
}

void writeRows(
    BufferedOutput &out, const SweepResult &result, const QStringList &hours, qint16 occurrences)
{
    out << QByteArrayLiteral("\"rows\":[");
    bool first = true;
    for (const SweepRow &row : result.rows) {
        out << QByteArray(first ? "\n{\"hour\":" : ",\n{\"hour\":")
            << SweepJson::string(hours.at(row.hourIndex)) << QByteArrayLiteral(",")
            << deviceFields(result, row) << QByteArrayLiteral(",\"caught\":")
            << boolean(SweepResult::isCaught(row, occurrences))
            << QByteArrayLiteral(",\"samples\":") << qint64(row.samples) << QByteArrayLiteral("}");
        first = false;
    }
    out << QByteArrayLiteral("]}\n");
}

} // namespace

QByteArray SweepJson::string(const QString &text)
{
    // Byte by byte: the bytes of a multi-byte UTF-8 sequence are all 0x80 or more.
    QByteArray quoted = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\')
            quoted += '\\' + QByteArray(1, c);
        else if (uchar(c) < 0x20)
            quoted += "\\u" + QByteArray::number(uchar(c), 16).rightJustified(4, '0');
        else
            quoted += c;
    }
    return quoted + '"';
}

QByteArray SweepJson::rangeFields(const SweepSettings &settings)
{
    return "\"from\":" + string(SweepRange::hourText(settings.range.from()))
        + ",\"to\":" + string(SweepRange::hourText(settings.range.to()));
}

QByteArray SweepJson::monitoringField(const SweepSettings &settings)
{
    return "\"monitoring\":{\"start\":" + QByteArray::number(settings.monStartHour)
        + ",\"stop\":" + QByteArray::number(settings.monStopHour) + '}';
}

bool SweepJson::write(QIODevice &device, const SweepResult &result, const SweepSettings &settings)
{
    BufferedOutput out(device);
    const QStringList hours = result.range.hourTexts();
    writeSettings(out, settings);
    out << QByteArrayLiteral("\"sample_store\":") << storeName(result.store)
        << QByteArrayLiteral(",\n\"reports\":[");
    for (qsizetype i = 0; i < result.reportIds.size(); ++i)
        out << QByteArray(i == 0 ? "" : ",") << qint64(result.reportIds.at(i));
    out << QByteArrayLiteral("],\n");
    writeHours(out, result, hours, settings.occurrences);
    writeRows(out, result, hours, settings.occurrences);
    return out.finish();
}

} // namespace tovik
