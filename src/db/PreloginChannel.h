#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <optional>

namespace tovik {

// A TDS connection of the program's own that goes no further than PRELOGIN messages: the
// server's answer to an offer of encryption, and a TLS handshake carried in PRELOGIN packets as
// TDS 7 wraps it. It never logs in.
class PreloginChannel
{
public:
    // The ENCRYPTION option's values.
    enum class Encryption : quint8 { Off = 0x00, On = 0x01, NotSupported = 0x02, Required = 0x03 };

    explicit PreloginChannel(int waitMs);

    bool open(const QString &host, quint16 port);
    // Sends a PRELOGIN that asks for encryption; the server's ENCRYPTION answer, nothing when the
    // answer does not come or holds none.
    std::optional<Encryption> offerEncryption();
    // One PRELOGIN message with the payload; false when it could not be sent.
    bool send(const QByteArray &payload);
    // The payload of the server's next message (the PRELOGIN answer or a flight of the
    // handshake); nothing when none comes in time.
    std::optional<QByteArray> receive();

private:
    bool readExactly(QByteArray *bytes, qsizetype size);

    int m_waitMs;
    QTcpSocket m_socket;
};

} // namespace tovik
