#pragma once

#include "db/ConnectionFields.h"

#include <QString>

namespace tovik {

// Looks at what FreeTDS would meet in an integrated (Kerberos) login, to say why one failed where
// the driver says only that the connection failed: the ticket cache's ticket-granting ticket, and
// a service ticket for the principal FreeTDS asks for, requested the same way. MIT Kerberos is
// loaded at run time (the library FreeTDS itself uses), so the programs do not depend on it; where
// it is absent, or the build had no Kerberos headers, the probe sees nothing.
class KerberosProbe
{
public:
    // The service principal FreeTDS asks for when it connects to the server of Windows
    // Authentication's fields: MSSQLSvc/host:port, where a host name without a dot becomes its
    // canonical name if that has one, and the port of "host\instance" is the one the SQL Server
    // Browser names (asked here again). Empty when there is no port to name.
    static QString servicePrincipal(const ConnectionFields &fields);
    // The principal of the default ticket cache, "alice@EXAMPLE.COM"; empty without one.
    static QString ticketHolder();
    // Why Kerberos would give no ticket for that service principal, as a sentence to put in
    // parentheses; empty when it would, or when nothing can be seen.
    static QString problem(const ConnectionFields &fields);
};

} // namespace tovik
