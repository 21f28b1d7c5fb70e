#pragma once

#include "db/ConnectionFields.h"

#include <QString>

namespace tovik {

// Where the driver takes a connection: a host and a TCP port (Remote SQL Authentication, or
// "host,port" in Server), a named instance that the SQL Server Browser on UDP 1434 turns into a
// port, or a default instance on 1433.
struct ServerEndpoint
{
    static constexpr int kDefaultPort = 1433;
    static constexpr int kBrowserPort = 1434;

    QString host;
    // Empty for a connection straight to the port.
    QString instance;
    // The port text as given; empty when the Browser names it.
    QString port;

    static ServerEndpoint of(const ConnectionFields &fields);
};

} // namespace tovik
