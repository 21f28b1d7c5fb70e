#include "db/DriverConnect.h"

#include "db/DbConnection.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcDriverCatalog.h"

namespace tovik {

std::optional<QString> DriverConnect::odbcString(const ConnectionFields &fields,
    const QString &database, int queryTimeoutSeconds, QString *failure)
{
    const QString driver
        = OdbcDriverCatalog::preferredDriver(OdbcDriverCatalog::installedDrivers());
    if (driver.isEmpty()) {
        *failure = QStringLiteral("No SQL Server ODBC driver is installed (looked for: %1).")
                       .arg(OdbcDriverCatalog::knownDrivers().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    return OdbcConnectionString::build(fields, database, driver, queryTimeoutSeconds, failure);
}

bool DriverConnect::open(DbConnection &connection, const ConnectionFields &fields,
    const QString &database, int loginTimeoutSeconds, int queryTimeoutSeconds, QString *failure)
{
    const auto text = odbcString(fields, database, queryTimeoutSeconds, failure);
    if (!text)
        return false;
    if (connection.open(*text, loginTimeoutSeconds, queryTimeoutSeconds))
        return true;
    *failure = connection.lastError();
    return false;
}

} // namespace tovik
