#pragma once

#include "Bytes.h"

#include <optional>
#include <string>

using SSL = struct ssl_st;
using BIO = struct bio_st;

namespace tovik::sampleserver {

// The server side of one TLS connection over memory buffers: the caller moves the client's bytes
// in and the bytes for the client out, so that the same session serves a handshake wrapped in
// PRELOGIN packets and records straight on the socket.
class TlsSession
{
public:
    // Tds7: the handshake travels inside PRELOGIN packets, TLS 1.2 at most (TLS 1.3 does not
    // survive that wrapping in the clients). Strict: TLS before any TDS, TLS 1.2 or later.
    enum class Framing { Tds7, Strict };
    enum class Handshake { InProgress, Done, Failed };

    // Takes ownership of ssl.
    TlsSession(SSL *ssl, Framing framing);
    ~TlsSession();
    TlsSession(const TlsSession &) = delete;
    TlsSession &operator=(const TlsSession &) = delete;

    void feed(ByteView received);
    Handshake continueHandshake();
    // The plaintext of the next complete record: empty while more bytes are needed, nothing when
    // the stream is broken or the client closed it.
    std::optional<Bytes> readRecord();
    void write(ByteView plaintext);
    // The bytes to send to the client, removed from the session.
    Bytes takeOutgoing();
    // Received bytes that no record has consumed yet, for the plaintext after a TLS-wrapped login.
    Bytes takeUnread();

    // "TLSv1.2", "TLSv1.3": the version agreed in the handshake.
    std::string protocol() const;
    // The application protocol agreed (ALPN), empty for none.
    std::string applicationProtocol() const;
    const std::string &failure() const { return m_failure; }

    // The reason for the first error OpenSSL queued on this thread (the cause), or the fallback
    // text; empties the queue.
    static std::string lastError(const std::string &fallback);

private:
    static Bytes drain(BIO *bio);

    SSL *m_ssl;
    BIO *m_incoming;
    BIO *m_outgoing;
    std::string m_failure;
};

} // namespace tovik::sampleserver
