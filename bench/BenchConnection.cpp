#include "BenchConnection.h"

#include "BenchHost.h"
#include "db/DbConnection.h"
#include "db/OdbcConnectionString.h"
#include "testrun/RunSettings.h"

namespace tovik::bench {

namespace {

// The connection fields of the benchmark's host, which keeps the window's defaults.
ConnectionFields benchFields(quint16 port)
{
    return BenchHost(port, 0).connectionFields();
}

} // namespace

std::optional<QString> benchOdbcString(quint16 port, QString *failure)
{
    const ConnectionFields fields = benchFields(port);
    return OdbcConnectionString::forInstalledDriver(
        fields, fields.SqlDatabase, RunSettings {}.queryTimeoutSeconds, failure);
}

bool openBenchConnection(DbConnection &connection, quint16 port, QString *failure)
{
    const ConnectionFields fields = benchFields(port);
    const ConnectionTimeouts timeouts {
        ConnectionTimeouts::kDefaultLoginSeconds, RunSettings {}.queryTimeoutSeconds};
    if (connection.open(fields, fields.SqlDatabase, timeouts))
        return true;
    *failure = connection.lastError();
    return false;
}

} // namespace tovik::bench
