#include "sweep/IncidentFile.h"

#include "common/TimeFormats.h"
#include "common/WallClock.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace tovik {

namespace {

const QStringList kHeader {QStringLiteral("start"), QStringLiteral("end"), QStringLiteral("device"),
    QStringLiteral("note")};
const QStringList kHeaderWithoutNote = kHeader.mid(0, 3);

// The fields of one csv line, a field in double quotes holding commas and doubled quotes;
// nothing when a quoted field is not closed or text follows its closing quote.
std::optional<QStringList> fieldsOf(QStringView line)
{
    QStringList fields;
    qsizetype i = 0;
    while (true) {
        QString field;
        if (i < line.size() && line[i] == u'"') {
            for (++i;; ++i) {
                if (i >= line.size())
                    return std::nullopt;
                if (line[i] == u'"') {
                    if (i + 1 < line.size() && line[i + 1] == u'"')
                        ++i;
                    else
                        break;
                }
                field += line[i];
            }
            ++i;
            if (i < line.size() && line[i] != u',')
                return std::nullopt;
        } else {
            const qsizetype comma = line.indexOf(u',', i);
            const qsizetype end = comma < 0 ? line.size() : comma;
            field = line.mid(i, end - i).toString();
            i = end;
        }
        fields << field;
        if (i >= line.size())
            return fields;
        ++i;
    }
}

std::optional<QDateTime> timeOf(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    // Date and time apart: a local time would not hold an hour that summer time skips.
    const QDate date = QDate::fromString(text.left(10), TimeFormats::kDate);
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return WallClock::at(date, time);
}

// One line's incident; nothing, with the reason, for a bad line.
std::optional<Incident> incidentOf(const QStringList &fields, int line, QString *reason)
{
    if (fields.size() < 3 || fields.size() > 4) {
        *reason = QStringLiteral("%1 fields where start,end,device and an optional note are "
                                 "expected")
                      .arg(fields.size());
        return std::nullopt;
    }
    const auto start = timeOf(fields[0]);
    const auto end = timeOf(fields[1]);
    if (!start || !end) {
        *reason = QStringLiteral("%1 '%2' is not a time of the form YYYY-MM-DD HH:MM:SS")
                      .arg(start ? QStringLiteral("end") : QStringLiteral("start"),
                          start ? fields[1] : fields[0]);
        return std::nullopt;
    }
    if (*end <= *start) {
        *reason = QStringLiteral("the end %1 is not after the start %2").arg(fields[1], fields[0]);
        return std::nullopt;
    }
    return Incident {*start, *end, fields[2], fields.value(3), line};
}

// A line's text without its line break; nothing when it is not UTF-8.
std::optional<QString> textOf(QByteArray bytes)
{
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<QList<Incident>> IncidentFile::read(const QString &path, QString *failure)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("the incidents file %1 cannot be read: %2")
                       .arg(path, file.errorString());
        return std::nullopt;
    }
    return parse(file.readAll(), path, failure);
}

std::optional<QList<Incident>> IncidentFile::parse(
    const QByteArray &csv, const QString &path, QString *failure)
{
    const auto refuse = [&](int line, const QString &reason) {
        *failure
            = QStringLiteral("the incidents file %1, line %2: %3").arg(path).arg(line).arg(reason);
        return std::nullopt;
    };
    QList<QByteArray> lines = csv.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return refuse(1, QStringLiteral("the header start,end,device,note is missing"));
    if (lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);
    QList<Incident> incidents;
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        const std::optional<QString> text = textOf(lines[i]);
        if (!text)
            return refuse(line, QStringLiteral("the text is not UTF-8"));
        const std::optional<QStringList> fields = fieldsOf(*text);
        if (!fields)
            return refuse(line, QStringLiteral("a quoted field is not closed where it ends"));
        if (i == 0) {
            if (*fields != kHeader && *fields != kHeaderWithoutNote)
                return refuse(line,
                    QStringLiteral("the header is '%1', not start,end,device,note").arg(*text));
            continue;
        }
        // A blank line, often the last, holds no incident.
        if (text->trimmed().isEmpty())
            continue;
        QString reason;
        const std::optional<Incident> incident = incidentOf(*fields, line, &reason);
        if (!incident)
            return refuse(line, reason);
        incidents << *incident;
    }
    return incidents;
}

} // namespace tovik
