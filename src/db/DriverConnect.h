#pragma once

#include "db/ConnectionFields.h"

#include <QString>
#include <optional>

namespace tovik {

class DbConnection;

// Opens a connection from the connection fields through the best installed SQL Server driver,
// for callers that keep no run log.
class DriverConnect
{
public:
    // False with *failure set to the driver's description, or to why no string could be built.
    // The driver's connection string for the database; nothing, with *failure set, when no SQL
    // Server driver is installed or a value cannot reach the driver.
    static std::optional<QString> odbcString(const ConnectionFields &fields,
        const QString &database, int queryTimeoutSeconds, QString *failure);
    static bool open(DbConnection &connection, const ConnectionFields &fields,
        const QString &database, int loginTimeoutSeconds, int queryTimeoutSeconds,
        QString *failure);
};

} // namespace tovik
