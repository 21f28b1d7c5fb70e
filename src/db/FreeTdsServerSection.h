#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"

#include <QByteArray>
#include <optional>

namespace tovik {

// The freetds.conf section through which the FreeTDS driver (1.3) checks a server's certificate:
// its connection string has no key for certificate authorities or the host-name check, so the
// string names this section (SERVERNAME) instead of the server, and the section says where the
// server is and how to check it. It holds no password.
class FreeTdsServerSection
{
public:
    static inline const QString kName = QStringLiteral("tovik-server");

    // The section's text; nothing, with the reason, for a value the file cannot hold (one with
    // ";", "#" or a line end, which the driver reads as a comment or the next line) or a check
    // the driver cannot make.
    static std::optional<QByteArray> text(
        const ConnectionFields &fields, const ConnectionSecurity &security, QString *failure);
};

} // namespace tovik
