#include "ServerLogCursor.h"

#include "SampleServer.h"

namespace tovik::bench {

ServerLogCursor::ServerLogCursor(const test::SampleServer &server)
    : m_server(server)
{
}

QMap<int, QStringList> ServerLogCursor::newSqlTexts()
{
    return newRequests({QStringLiteral("SQL_BATCH")}, false);
}

QMap<int, QStringList> ServerLogCursor::newStatements()
{
    return newRequests({QStringLiteral("SQL_BATCH"), QStringLiteral("RPC")}, true);
}

QMap<int, QStringList> ServerLogCursor::newRequests(const QStringList &kinds, bool withKind)
{
    const QList<test::LoggedRequest> requests = m_server.loggedRequests();
    QMap<int, QStringList> texts;
    for (qsizetype i = m_requestsRead; i < requests.size(); ++i) {
        const test::LoggedRequest &request = requests.at(i);
        if (kinds.contains(request.kind))
            texts[request.spid] << (withKind ? request.kind + u' ' + request.detail
                                             : request.detail);
    }
    m_requestsRead = requests.size();
    return texts;
}

} // namespace tovik::bench
