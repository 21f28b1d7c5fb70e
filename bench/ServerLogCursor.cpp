#include "ServerLogCursor.h"

#include "SampleServer.h"

namespace tovik::bench {

ServerLogCursor::ServerLogCursor(const test::SampleServer &server)
    : m_server(server)
{
}

QMap<int, QStringList> ServerLogCursor::newSqlTexts()
{
    const QList<test::LoggedRequest> requests = m_server.loggedRequests();
    QMap<int, QStringList> texts;
    for (qsizetype i = m_requestsRead; i < requests.size(); ++i) {
        if (requests.at(i).kind == QLatin1String("SQL_BATCH"))
            texts[requests.at(i).spid] << requests.at(i).detail;
    }
    m_requestsRead = requests.size();
    return texts;
}

} // namespace tovik::bench
