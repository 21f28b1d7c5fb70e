#include "BenchConnection.h"

#include "BenchHost.h"
#include "db/ConnectionFields.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcDriverCatalog.h"
#include "testrun/RunSettings.h"

#include <QSqlError>

namespace tovik::bench {

BenchConnection::BenchConnection(quint16 port)
    : m_port(port)
    , m_name(QStringLiteral("bench-%1").arg(quintptr(this)))
{
}

BenchConnection::~BenchConnection()
{
    close();
}

std::optional<QString> BenchConnection::odbcString(quint16 port, QString *failure)
{
    const BenchHost host(port, 0);
    const ConnectionFields fields = ConnectionFields::read(host);
    const QString driver
        = OdbcDriverCatalog::preferredDriver(OdbcDriverCatalog::installedDrivers());
    if (driver.isEmpty()) {
        *failure = QStringLiteral("no SQL Server ODBC driver is installed");
        return std::nullopt;
    }
    return OdbcConnectionString::build(
        fields, fields.SqlDatabase, driver, RunSettings {}.queryTimeoutSeconds, failure);
}

bool BenchConnection::open(QString *failure)
{
    const auto text = odbcString(m_port, failure);
    if (!text)
        return false;
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    m_db.setDatabaseName(*text);
    m_db.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15;SQL_ATTR_CONNECTION_TIMEOUT=%1")
            .arg(RunSettings {}.queryTimeoutSeconds));
    if (m_db.open())
        return true;
    *failure = m_db.lastError().text();
    return false;
}

void BenchConnection::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

} // namespace tovik::bench
