#include "db/DbConnection.h"

#include "db/FreeTdsConfFile.h"
#include "db/IntegerBlockFetch.h"
#include "db/OdbcConnectionString.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>
#include <sql.h>

namespace tovik {

namespace {

QString connectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("tovik-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The driver's own words; Qt's text() adds a generic "QODBC: Unable to ..." after them.
QString describe(const QSqlError &error)
{
    const QString driverText = error.databaseText().trimmed();
    return driverText.isEmpty() ? error.text().trimmed() : driverText;
}

const QString cancelledText = QStringLiteral("The query was cancelled.");

// The driver's statement handle behind a query, once the query has prepared its statement.
void *statementHandle(const QSqlQuery &query)
{
    const QVariant handle = query.result()->handle();
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return nullptr;
    return *static_cast<const SQLHANDLE *>(handle.constData());
}

} // namespace

DbConnection::DbConnection()
    : m_name(connectionName())
{
}

DbConnection::~DbConnection()
{
    close();
}

bool DbConnection::open(
    const QString &odbcConnectionString, int loginTimeoutSeconds, int queryTimeoutSeconds)
{
    close();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    m_db.setDatabaseName(odbcConnectionString);
    m_db.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%2")
            .arg(loginTimeoutSeconds)
            .arg(queryTimeoutSeconds));
    if (m_db.open())
        return true;
    m_lastError = describe(m_db.lastError());
    if (m_lastError.isEmpty())
        m_lastError = QStringLiteral("The connection could not be opened.");
    return false;
}

bool DbConnection::open(const ConnectionFields &fields, const QString &database,
    const ConnectionTimeouts &timeouts, const ConnectionSecurity &security)
{
    QString failure;
    const auto prepared = OdbcConnectionString::prepare(
        fields, database, timeouts.querySeconds, security, &failure);
    if (!prepared) {
        m_lastError = failure;
        return false;
    }
    // The driver reads the file while it connects and never after.
    std::unique_ptr<FreeTdsConfFile> conf;
    if (!prepared->freeTdsSection.isEmpty()) {
        conf = FreeTdsConfFile::create(prepared->freeTdsSection, &failure);
        if (!conf) {
            m_lastError = failure;
            return false;
        }
    }
    return open(prepared->text, timeouts.loginSeconds, timeouts.querySeconds);
}

QSqlQuery &DbConnection::query()
{
    // One query object for the connection's life: its next statement releases the held result,
    // and a run of many thousand statements does not build a query object for each.
    if (!m_query) {
        m_query.emplace(m_db);
        m_query->setForwardOnly(true);
    }
    return *m_query;
}

bool DbConnection::cancelled()
{
    if (!m_cancelled)
        return false;
    m_lastError = cancelledText;
    return true;
}

bool DbConnection::runStatement(const std::function<bool(QSqlQuery &)> &execute)
{
    if (!m_db.isOpen()) {
        m_query.reset();
        m_lastError = QStringLiteral("The connection is not open.");
        return false;
    }
    if (cancelled())
        return false;
    if (execute(query()))
        return true;
    if (!cancelled())
        m_lastError = describe(m_query->lastError());
    return false;
}

bool DbConnection::exec(const QString &sql)
{
    return runStatement([&sql](QSqlQuery &query) { return query.exec(sql); });
}

bool DbConnection::execPrepared(const QString &sql, const QVariantList &values)
{
    return runStatement([this, &sql, &values](QSqlQuery &query) {
        if (!query.prepare(sql))
            return false;
        for (const QVariant &value : values)
            query.addBindValue(value);
        {
            // A cancel that came before the statement had a handle still stops it here.
            const QMutexLocker lock(&m_cancelMutex);
            if (m_cancelled)
                return false;
            m_runningStatement = statementHandle(query);
        }
        const bool executed = query.exec();
        const QMutexLocker lock(&m_cancelMutex);
        m_runningStatement = nullptr;
        return executed;
    });
}

void DbConnection::cancel()
{
    const QMutexLocker lock(&m_cancelMutex);
    m_cancelled = true;
    if (m_runningStatement)
        SQLCancel(static_cast<SQLHSTMT>(m_runningStatement));
}

void DbConnection::resumeAfterCancel()
{
    m_cancelled = false;
}

std::optional<QueryRows> DbConnection::fetchAll()
{
    QueryRows rows;
    if (!forEachRow([&rows](const QueryRow &row) { rows << row; }))
        return std::nullopt;
    return rows;
}

bool DbConnection::forEachRow(const std::function<void(const QueryRow &)> &visit)
{
    const int columns = m_query && m_query->isActive() ? m_query->record().count() : 0;
    QueryRow row;
    return forEachRecord([&](const QSqlQuery &query) {
        row.clear();
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        visit(row);
    });
}

bool DbConnection::forEachRecord(const std::function<void(const QSqlQuery &)> &visit)
{
    if (!m_query || !m_query->isActive())
        return true;
    while (m_query->next()) {
        if (cancelled()) {
            m_query->finish();
            return false;
        }
        visit(*m_query);
    }
    if (m_query->lastError().isValid()) {
        m_lastError = describe(m_query->lastError());
        return false;
    }
    m_query->finish();
    return true;
}

bool DbConnection::forEachIntegerRow(
    const std::function<void(const std::optional<qint64> *row)> &visit)
{
    if (!m_query || !m_query->isActive())
        return true;
    void *statement = statementHandle(*m_query);
    if (!statement) {
        m_lastError = QStringLiteral("The driver gives no statement handle to read from.");
        return false;
    }
    QString failure;
    const bool read = IntegerBlockFetch::read(
        statement, m_query->record().count(), visit, [this] { return cancelled(); }, &failure);
    m_query->finish();
    if (!read && !failure.isEmpty())
        m_lastError = failure;
    return read;
}

void DbConnection::close()
{
    m_query.reset();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

} // namespace tovik
