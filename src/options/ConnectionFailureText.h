#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"

#include <QString>

namespace tovik {

// A failed connection as the command-line programs and the explorer report it: what was tried
// (the server and how it is reached, the authentication) before the driver's text, which alone
// rarely says what to mend. The tester's window shows the driver's text alone.
class ConnectionFailureText
{
public:
    // A connection that asked for more than optional encryption says how it was protected, since
    // a driver's text for a certificate that did not check rarely names the certificate; a cause
    // found by the program comes before the driver's text, which follows in brackets.
    static QString describe(const ConnectionFields &fields, const QString &driverText,
        const ConnectionSecurity &security = {}, const QString &cause = {});
    // describe() with the cause that EncryptionDiagnosis finds, asking the server again within
    // waitSeconds for each answer (the login timeout; 0: the default one).
    static QString diagnose(const ConnectionFields &fields, const QString &driverText,
        const ConnectionSecurity &security, int waitSeconds);
    // Empty for optional encryption, else ", mandatory encryption with the certificate checked
    // against FILE" and the like.
    static QString protection(const ConnectionSecurity &security);
    // Where the connection goes: "host:port" (the port from Port, from "host,port" in Server, or
    // 1433), or "host\instance through the SQL Server Browser on UDP 1434".
    static QString target(const ConnectionFields &fields);
    // Whether Windows Authentication visibly has no Kerberos ticket to log in with: the cache
    // that KRB5CCNAME names, or the default /tmp/krb5cc_UID, is a file that does not exist. A
    // cache that is no file (KEYRING:, KCM:) cannot be looked into and counts as present.
    static bool kerberosTicketMissing();
};

} // namespace tovik
