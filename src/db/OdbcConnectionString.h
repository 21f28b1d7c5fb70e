#pragma once

#include "db/ConnectionFields.h"

#include <optional>

namespace tovik {

// What reaches the ODBC driver: the same settings as the logged connection string, with
// every value brace-quoted so that ";", "=" or braces in it cannot start another key.
class OdbcConnectionString
{
public:
    // For a choice that is none of the three authentication modes the result is empty text,
    // which the driver manager refuses like any unusable string. Nothing comes back, with
    // *failure set, when a value holds a character the driver cannot take.
    static std::optional<QString> build(const ConnectionFields &fields, const QString &database,
        const QString &driver, int queryTimeoutSeconds, QString *failure);

    // The string for the best SQL Server driver installed; nothing, with *failure set, when there
    // is none or build() refuses the fields.
    static std::optional<QString> forInstalledDriver(const ConnectionFields &fields,
        const QString &database, int queryTimeoutSeconds, QString *failure);

    static QString quoted(const QString &value);
};

} // namespace tovik
