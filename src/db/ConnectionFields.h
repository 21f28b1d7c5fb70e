#pragma once

#include <QString>
#include <optional>

namespace tovik {

// The three authentication choices; anything else, in any other spelling, is none of them.
// In the order of ConnectionDefaults::authChoices().
enum class AuthMode { Windows, LocalSql, RemoteSql };

// The connection settings as the window shows them at the moment they are read.
struct ConnectionFields
{
    QString SqlConnType;
    QString SqlDbServer;
    QString SqlDatabase;
    QString SqlDbUser;
    QString SqlDbPass;
    QString SqlDbPort;

    // Nothing for a choice that is none of the three.
    std::optional<AuthMode> authMode() const;
    // The same settings with a given password shown as "****", for every text that is logged.
    ConnectionFields masked() const;

    bool operator==(const ConnectionFields &) const = default;
};

} // namespace tovik
