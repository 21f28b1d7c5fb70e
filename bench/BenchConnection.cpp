#include "BenchConnection.h"

#include "BenchHost.h"
#include "db/ConnectionFields.h"
#include "db/DbConnection.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcDriverCatalog.h"
#include "testrun/HostFields.h"
#include "testrun/RunSettings.h"

namespace tovik::bench {

namespace {

// The window's default login timeout, which the benchmark's host keeps.
constexpr int loginTimeoutSeconds = 15;

} // namespace

std::optional<QString> benchOdbcString(quint16 port, QString *failure)
{
    const BenchHost host(port, 0);
    const ConnectionFields fields = readConnectionFields(host);
    const QString driver
        = OdbcDriverCatalog::preferredDriver(OdbcDriverCatalog::installedDrivers());
    if (driver.isEmpty()) {
        *failure = QStringLiteral("no SQL Server ODBC driver is installed");
        return std::nullopt;
    }
    return OdbcConnectionString::build(
        fields, fields.SqlDatabase, driver, RunSettings {}.queryTimeoutSeconds, failure);
}

bool openBenchConnection(DbConnection &connection, quint16 port, QString *failure)
{
    const auto text = benchOdbcString(port, failure);
    if (!text)
        return false;
    if (connection.open(*text, loginTimeoutSeconds, RunSettings {}.queryTimeoutSeconds))
        return true;
    *failure = connection.lastError();
    return false;
}

} // namespace tovik::bench
