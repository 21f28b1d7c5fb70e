#pragma once

#include "PacketAssembler.h"
#include "Session.h"
#include "TlsContext.h"

#include <deque>
#include <memory>
#include <sys/types.h>

namespace tovik::sampleserver {

// One accepted TCP connection on its own thread: reads requests, hands them to the Session,
// writes the replies, and applies the fault options (--delay-ms, --drop-after). While a reply is
// delayed or a statement runs, the socket is still watched, so that an ATTENTION from a client
// that gave up is acknowledged at once. With a certificate it also carries the TLS layer: a
// handshake wrapped in PRELOGIN packets after the PRELOGIN exchange asked for one (TDS 7.x), or
// a handshake before any TDS when the first byte is a TLS record (TDS 8.0).
class Connection
{
public:
    // tls: nothing when the server has no certificate.
    Connection(int socket, const ServeOptions &options, const DatabaseCatalog &catalog,
        RequestLog &log, const TlsContext *tls, std::uint16_t spid);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void run();

private:
    enum class Wait { Elapsed, Attention, Closed };
    // Plain: no TLS, or none any more after a login-only exchange. LoginOnly: the LOGIN7 is read
    // through TLS, the replies go plain. Encrypted: everything goes through TLS.
    enum class TlsState {
        FirstByteUnseen,
        Plain,
        StrictHandshake,
        WrappedHandshake,
        LoginOnly,
        Encrypted
    };

    std::optional<TdsMessage> nextMessage();
    bool readAvailable(int timeoutMs);
    ssize_t receiveWaiting();
    void absorb(ByteView received);
    void assemble(ByteView plaintext);
    void continueStrictHandshake();
    bool startNegotiatedTls();
    bool continueWrappedHandshake(const TdsMessage &message);
    void decryptRecords();
    void failTls(const std::string &reason);
    bool takeAttention();
    Wait delayReply();
    bool answer(const TdsMessage &message);
    bool sendAttentionAcknowledgement();
    bool send(ByteView bytes);
    bool sendRaw(ByteView bytes);
    bool cancelRequested();

    int m_socket;
    const ServeOptions &m_options;
    RequestLog &m_log;
    const TlsContext *m_tlsContext;
    Session m_session;
    PacketAssembler m_assembler;
    std::unique_ptr<TlsSession> m_tls;
    TlsState m_tlsState;
    std::deque<TdsMessage> m_pending;
    Bytes m_readBuffer;
    // The client closed the connection, or what it sends can no longer be read.
    bool m_inputEnded = false;
    int m_requests = 0;
};

} // namespace tovik::sampleserver
