#pragma once

#include "db/ConnectionSecurity.h"

#include <QString>

namespace tovik {

class PreloginChannel;

// Why a server's certificate does not check, found by a TLS handshake of the program's own (TLS
// 1.2 at most, as TDS 7 carries it in PRELOGIN packets) that takes whatever certificate comes and
// then checks it as the driver would: against the given certificate authorities or the system's,
// for the server's name. Only in builds with OpenSSL.
class TlsCertificateCheck
{
public:
    // A sentence for the cause; empty when the certificate checks or no certificate came.
    static QString failure(
        PreloginChannel &channel, const ConnectionSecurity &security, const QString &serverName);
};

} // namespace tovik
