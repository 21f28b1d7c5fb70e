#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"
#include "db/ConnectionTimeouts.h"
#include "db/QueryRows.h"

#include <QMutex>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <atomic>
#include <functional>
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
    // or a value cannot be sent to it, or it cannot protect the connection as security asks.
    bool open(const ConnectionFields &fields, const QString &database,
        const ConnectionTimeouts &timeouts, const ConnectionSecurity &security = {});
    // Runs one statement; its result stays held until the next one replaces it.
    bool exec(const QString &sql);
    // Reads the held result to its end. Results are forward-only and the driver allows one
    // unread result per connection, so everything is read before the next statement runs.
    std::optional<QueryRows> fetchAll();
    // Runs one statement with its "?" markers bound, in their order, to values typed by their
    // QVariant type (an int as a number, a QDateTime as a datetime of the value's own fields), so
    // that no value is ever part of the SQL text. Its result is read like one of exec().
    bool execPrepared(const QString &sql, const QVariantList &values);
    // Reads the held result to its end, handing each row to visit without keeping it, for results
    // too large to hold as QueryRows.
    bool forEachRow(const std::function<void(const QueryRow &)> &visit);
    // forEachRow for results of many columns and rows: visit gets the query on each row and reads
    // the values it needs with value(), so that no row is copied.
    bool forEachRecord(const std::function<void(const QSqlQuery &)> &visit);
    // The fastest read of a result whose every column is an integer (IntegerBlockFetch): visit
    // gets each row's values, nothing for NULL.
    bool forEachIntegerRow(const std::function<void(const std::optional<qint64> *row)> &visit);
    // From any thread: the driver's statement cancel for the statement running now, and every
    // later statement and read of this connection fails until resumeAfterCancel().
    void cancel();
    void resumeAfterCancel();
    void close();

    QString lastError() const { return m_lastError; }
    // The open connection, for statements run without this class, as the benchmark's bare
    // replay of a run's queries does.
    QSqlDatabase database() const { return m_db; }

private:
    QSqlQuery &query();
    bool cancelled();
    bool runStatement(const std::function<bool(QSqlQuery &)> &execute);

    QString m_name;
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_query;
    QString m_lastError;
    // The statement handle of the query that runs now, for cancel() from another thread.
    QMutex m_cancelMutex;
    void *m_runningStatement = nullptr;
    std::atomic<bool> m_cancelled = false;
};

} // namespace tovik
