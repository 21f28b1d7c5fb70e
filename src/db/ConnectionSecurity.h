#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tovik {

// How much of a connection travels encrypted.
enum class EncryptionMode {
    // What the server asks for: at least the login when it offers encryption, everything when it
    // forces it, nothing when it has none. The server's certificate is not checked.
    Optional,
    // Everything, or no connection.
    Mandatory,
    // Everything from the first byte on (TDS 8.0), the certificate always checked.
    Strict,
};

// How a connection protects itself: the encryption asked for and how the server's certificate is
// checked. A default value is what the tester's window always used.
struct ConnectionSecurity
{
    EncryptionMode encryption = EncryptionMode::Optional;
    // Encrypt without checking the certificate, as against a server with a self-made one.
    bool trustServerCertificate = false;
    // The certificate authorities to check against; empty: the system's.
    QString caFile;
    // The name the certificate must carry; empty: the server's host name.
    QString hostNameInCertificate;

    // Whether the server's certificate and host name are checked.
    bool checksCertificate() const;

    // "optional", "mandatory" and "strict", in the order of EncryptionMode.
    static QStringList modeWords();
    static QString wordOf(EncryptionMode mode);
    // Nothing for a word that is none of modeWords(), in any other spelling.
    static std::optional<EncryptionMode> modeOf(const QString &word);

    bool operator==(const ConnectionSecurity &) const = default;
};

} // namespace tovik
