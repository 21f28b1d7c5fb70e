#pragma once

#include <QString>

namespace tovik {

class RunHost;

// The connection settings as the window shows them at the moment they are read.
struct ConnectionFields
{
    QString SqlConnType;
    QString SqlDbServer;
    QString SqlDatabase;
    QString SqlDbUser;
    QString SqlDbPass;
    QString SqlDbPort;

    static ConnectionFields read(const RunHost &host);
    // The same settings with a given password shown as "****", for every text that is logged.
    ConnectionFields masked() const;
};

// The three authentication choices; anything else, in any other spelling, is none of them.
enum class AuthMode { Windows, LocalSql, RemoteSql };

} // namespace tovik
