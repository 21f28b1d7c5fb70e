#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"

#include <QByteArray>
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
    // Nothing either, naming the driver, when the driver cannot protect the connection as
    // security asks.
    static std::optional<QString> build(const ConnectionFields &fields, const QString &database,
        const QString &driver, int queryTimeoutSeconds, QString *failure,
        const ConnectionSecurity &security = {});

    // What a connection through the best SQL Server driver installed needs.
    struct Prepared
    {
        QString text;
        // The freetds.conf section the driver must read while it connects, or empty.
        QByteArray freeTdsSection;
    };
    // Nothing, with *failure set, when no driver is installed or build() refuses.
    static std::optional<Prepared> prepare(const ConnectionFields &fields, const QString &database,
        int queryTimeoutSeconds, const ConnectionSecurity &security, QString *failure);
    // The string alone for the window's connection.
    static std::optional<QString> forInstalledDriver(const ConnectionFields &fields,
        const QString &database, int queryTimeoutSeconds, QString *failure);

    // Whether the driver checks the certificate only through FreeTdsServerSection.
    static bool needsFreeTdsSection(const QString &driver, const ConnectionSecurity &security);

    static QString quoted(const QString &value);
};

} // namespace tovik
