#include "db/DbConnection.h"

#include "db/OdbcConnectionString.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlRecord>

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

bool DbConnection::open(
    const ConnectionFields &fields, const QString &database, const ConnectionTimeouts &timeouts)
{
    QString failure;
    const auto odbcString = OdbcConnectionString::forInstalledDriver(
        fields, database, timeouts.querySeconds, &failure);
    if (!odbcString) {
        m_lastError = failure;
        return false;
    }
    return open(*odbcString, timeouts.loginSeconds, timeouts.querySeconds);
}

bool DbConnection::exec(const QString &sql)
{
    if (!m_db.isOpen()) {
        m_query.reset();
        m_lastError = QStringLiteral("The connection is not open.");
        return false;
    }
    // One query object for the connection's life: its next statement releases the held result,
    // and a run of many thousand statements does not build a query object for each.
    if (!m_query) {
        m_query.emplace(m_db);
        m_query->setForwardOnly(true);
    }
    if (m_query->exec(sql))
        return true;
    m_lastError = describe(m_query->lastError());
    return false;
}

std::optional<QueryRows> DbConnection::fetchAll()
{
    QueryRows rows;
    if (!m_query || !m_query->isActive())
        return rows;
    const int columns = m_query->record().count();
    while (m_query->next()) {
        QueryRow row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << m_query->value(i);
        rows << std::move(row);
    }
    if (m_query->lastError().isValid()) {
        m_lastError = describe(m_query->lastError());
        return std::nullopt;
    }
    m_query->finish();
    return rows;
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
