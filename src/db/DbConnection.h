#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionTimeouts.h"
#include "db/QueryRows.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace tovik {

// One database connection through Qt's ODBC driver. Failures are reported by the driver's
// own description text, kept until the next operation.
class DbConnection
{
public:
    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection &) = delete;
    DbConnection &operator=(const DbConnection &) = delete;

    // loginTimeoutSeconds 0 waits without limit; queryTimeoutSeconds is applied to drivers
    // that take it as a connection attribute.
    bool open(
        const QString &odbcConnectionString, int loginTimeoutSeconds, int queryTimeoutSeconds);
    // Opens database through the best SQL Server driver installed, with the string that
    // OdbcConnectionString builds from the fields; lastError() tells when there is no driver
    // or a value cannot be sent to it.
    bool open(const ConnectionFields &fields, const QString &database,
        const ConnectionTimeouts &timeouts);
    // Runs one statement; its result stays held until the next one replaces it.
    bool exec(const QString &sql);
    // Reads the held result to its end. Results are forward-only and the driver allows one
    // unread result per connection, so everything is read before the next statement runs.
    std::optional<QueryRows> fetchAll();
    void close();

    QString lastError() const { return m_lastError; }
    // The open connection, for statements run without this class, as the benchmark's bare
    // replay of a run's queries does.
    QSqlDatabase database() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_query;
    QString m_lastError;
};

} // namespace tovik
