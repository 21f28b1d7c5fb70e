#include "ServerLogCursor.h"

#include "SampleServer.h"

#include <optional>

namespace tovik::bench {

namespace {

// The log writes line breaks inside a text as \r and \n, to keep one request on one line.
QString unescaped(QStringView text)
{
    QString out = text.toString();
    out.replace(QLatin1String("\\r"), QLatin1String("\r"));
    out.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return out;
}

// The connection and the text of a line "#<spid> SQL_BATCH <text>"; nothing for other lines.
std::optional<QPair<int, QString>> sqlBatch(QStringView line)
{
    static const QLatin1String kind("SQL_BATCH ");
    const qsizetype space = line.indexOf(u' ');
    if (!line.startsWith(u'#') || space < 0 || !line.mid(space + 1).startsWith(kind))
        return std::nullopt;
    bool ok = false;
    const int spid = line.mid(1, space - 1).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return QPair<int, QString> {spid, unescaped(line.mid(space + 1 + kind.size()))};
}

} // namespace

ServerLogCursor::ServerLogCursor(const test::SampleServer &server)
    : m_server(server)
{
}

QMap<int, QStringList> ServerLogCursor::newSqlTexts()
{
    const QString log = m_server.logText();
    const QList<QStringView> lines = QStringView(log).split(u'\n', Qt::SkipEmptyParts);
    QMap<int, QStringList> texts;
    for (qsizetype i = m_linesRead; i < lines.size(); ++i) {
        if (const auto request = sqlBatch(lines.at(i)))
            texts[request->first] << request->second;
    }
    m_linesRead = lines.size();
    return texts;
}

} // namespace tovik::bench
