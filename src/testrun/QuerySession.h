#pragma once

#include "db/ConnectionFields.h"
#include "db/QueryRows.h"

#include <QStringList>
#include <optional>

namespace tovik {

class DbConnection;
class RunHost;
class RunLog;

// The database steps of a run: every connect and query is checked right after it, timed,
// and written into the run log; a failure leaves its description as the run's last error.
class QuerySession
{
public:
    QuerySession(RunHost &host, RunLog &log, int queryTimeoutSeconds);

    quint32 startMark() const;
    // Opens the connection from the fields read now; on success appends "Connect OK to " and
    // the shown string (password masked) and the timing line from startMark.
    bool connect(DbConnection &connection, const ConnectionFields &fields, const QString &database,
        const QString &shownString, quint32 startMark);
    // Where a query's timing line goes: right after the query ran, or after the lines that
    // the caller writes from its result.
    enum class Timing { AfterQuery, ByCaller };

    // Appends the header lines and the query text, runs it, appends the timing line from
    // startMark when asked to, and hands back every row; nothing when the query failed.
    std::optional<QueryRows> query(DbConnection &connection, const QStringList &headerLines,
        const QString &sql, quint32 startMark, Timing timing = Timing::AfterQuery);
    void appendTimingFrom(quint32 startMark);
    void disconnect(DbConnection &connection, const QString &shownString);

    const QString &lastError() const { return m_lastError; }

private:
    RunHost &m_host;
    RunLog &m_log;
    int m_queryTimeoutSeconds;
    QString m_lastError;
};

} // namespace tovik
