#pragma once

#include <QStringList>

namespace tovik {

// Which SQL Server ODBC driver the machine offers.
class OdbcDriverCatalog
{
public:
    // The names the driver manager lists, in its order.
    static QStringList installedDrivers();
    // The best of the installed drivers for SQL Server, or empty text when there is none.
    static QString preferredDriver(const QStringList &installed);
    static QStringList knownDrivers();
    static bool isFreeTds(const QString &driver);
};

} // namespace tovik
