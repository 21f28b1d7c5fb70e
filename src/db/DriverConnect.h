#pragma once

#include "db/ConnectionFields.h"

#include <QString>

namespace tovik {

class DbConnection;

// Opens a connection from the connection fields through the best installed SQL Server driver,
// for callers that keep no run log.
class DriverConnect
{
public:
    // False with *failure set to the driver's description, or to why no string could be built.
    static bool open(DbConnection &connection, const ConnectionFields &fields,
        const QString &database, int loginTimeoutSeconds, int queryTimeoutSeconds,
        QString *failure);
};

} // namespace tovik
