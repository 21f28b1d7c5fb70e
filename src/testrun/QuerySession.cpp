#include "testrun/QuerySession.h"

#include "common/TickCounter.h"
#include "db/DbConnection.h"
#include "host/RunHost.h"
#include "output/RunLog.h"

namespace tovik {

QuerySession::QuerySession(RunHost &host, RunLog &log, int queryTimeoutSeconds)
    : m_host(host)
    , m_log(log)
    , m_queryTimeoutSeconds(queryTimeoutSeconds)
{
}

quint32 QuerySession::startMark() const
{
    return m_host.tickCount();
}

bool QuerySession::connect(DbConnection &connection, const ConnectionFields &fields,
    const QString &database, const QString &shownString, quint32 startMark)
{
    if (!connection.open(fields, database, {m_host.loginTimeoutSeconds(), m_queryTimeoutSeconds},
            m_host.connectionSecurity())) {
        m_lastError = connection.lastError();
        return false;
    }
    m_log.appendLine(QStringLiteral("Connect OK to ") + shownString);
    appendTimingFrom(startMark);
    return true;
}

std::optional<QueryRows> QuerySession::query(DbConnection &connection,
    const QStringList &headerLines, const QString &sql, quint32 startMark, Timing timing)
{
    for (const QString &line : headerLines)
        m_log.appendLine(line);
    m_log.appendLine(sql);
    if (!connection.exec(sql)) {
        m_lastError = connection.lastError();
        return std::nullopt;
    }
    if (timing == Timing::AfterQuery)
        appendTimingFrom(startMark);
    auto rows = connection.fetchAll();
    if (!rows)
        m_lastError = connection.lastError();
    return rows;
}

void QuerySession::disconnect(DbConnection &connection, const QString &shownString)
{
    m_log.appendLine(QStringLiteral("Disconnect OK from ") + shownString);
    m_log.appendLine();
    connection.close();
}

void QuerySession::appendTimingFrom(quint32 startMark)
{
    m_log.appendTiming(elapsedMs(startMark, m_host.tickCount()));
}

} // namespace tovik
