#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"

#include <QString>

namespace tovik {

// Why a connection that asked for mandatory encryption did not open, in plain words, found by
// the program itself once the driver has failed: the drivers' own texts do not say. It asks the
// server whether it offers encryption and, where the certificate is checked, makes a TLS
// handshake of its own and checks the certificate (builds without OpenSSL skip that part).
class EncryptionDiagnosis
{
public:
    // The cause ("the server offers no encryption", …); empty when the connection did not ask for
    // mandatory encryption or nothing was found. Waits at most waitSeconds for each answer.
    static QString cause(
        const ConnectionFields &fields, const ConnectionSecurity &security, int waitSeconds);
};

} // namespace tovik
