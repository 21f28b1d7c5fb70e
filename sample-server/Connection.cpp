#include "Connection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tovik::sampleserver {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::chrono::microseconds kSpinBeforeSleep(60);
// The first byte of a TLS handshake record; a TDS packet never starts with it.
constexpr std::uint8_t kTlsHandshakeRecord = 0x16;

} // namespace

Connection::Connection(int socket, const ServeOptions &options, const DatabaseCatalog &catalog,
    RequestLog &log, const TlsContext *tls, std::uint16_t spid)
    : m_socket(socket)
    , m_options(options)
    , m_log(log)
    , m_tlsContext(tls)
    , m_session(options, catalog, log, spid)
    , m_tlsState(tls ? TlsState::FirstByteUnseen : TlsState::Plain)
{
}

Connection::~Connection()
{
    ::close(m_socket);
}

void Connection::run()
{
    while (auto message = nextMessage()) {
        if (m_tlsState == TlsState::WrappedHandshake) {
            if (!continueWrappedHandshake(*message))
                break;
            continue;
        }
        ++m_requests;
        if (!answer(*message))
            break;
        if (message->type == PacketType::Prelogin && !startNegotiatedTls())
            break;
        if (m_options.dropAfter > 0 && m_requests >= m_options.dropAfter) {
            m_log.write(m_session.spid(), "DROP", "after request " + std::to_string(m_requests));
            break;
        }
    }
    if (m_assembler.failed())
        m_log.write(m_session.spid(), "GARBAGE", m_assembler.failure() + ": connection closed");
}

bool Connection::answer(const TdsMessage &message)
{
    // An ATTENTION is acknowledged at once: the client that sends it has stopped waiting.
    if (message.type != PacketType::Attention && m_requests >= m_options.delayFrom) {
        const Wait wait = delayReply();
        if (wait == Wait::Closed)
            return false;
        if (wait == Wait::Attention) {
            m_log.write(m_session.spid(), "ATTENTION", "during delay");
            return sendAttentionAcknowledgement();
        }
    }
    PacketWriter reply(
        m_session.spid(), m_session.packetSize(), [this](ByteView bytes) { return send(bytes); });
    const bool keepOpen = m_session.handle(message, reply, [this] { return cancelRequested(); });
    return reply.finish() && keepOpen;
}

bool Connection::sendAttentionAcknowledgement()
{
    PacketWriter reply(
        m_session.spid(), m_session.packetSize(), [this](ByteView bytes) { return send(bytes); });
    m_session.acknowledgeAttention(reply);
    return reply.finish();
}

std::optional<TdsMessage> Connection::nextMessage()
{
    while (true) {
        if (!m_pending.empty()) {
            TdsMessage message = std::move(m_pending.front());
            m_pending.pop_front();
            return message;
        }
        if (auto message = m_assembler.nextMessage())
            return message;
        if (m_assembler.failed() || m_inputEnded || !readAvailable(-1))
            return std::nullopt;
    }
}

// Reads what the socket holds (waiting up to timeoutMs for it, forever when negative) and queues
// complete messages.
bool Connection::readAvailable(int timeoutMs)
{
    if (timeoutMs >= 0) {
        pollfd descriptor {m_socket, POLLIN, 0};
        const int ready = ::poll(&descriptor, 1, timeoutMs);
        if (ready < 0)
            return errno == EINTR;
        if (ready == 0)
            return true;
    }
    m_readBuffer.resize(kReadChunk);
    const ssize_t count = timeoutMs >= 0
        ? ::recv(m_socket, m_readBuffer.data(), m_readBuffer.size(), 0)
        : receiveWaiting();
    if (count < 0 && errno == EINTR)
        return true;
    if (count <= 0) {
        // A client that refuses the server's certificate often just hangs up.
        if (m_tlsState == TlsState::StrictHandshake || m_tlsState == TlsState::WrappedHandshake)
            failTls("the client closed the connection during the handshake");
        m_inputEnded = true;
        return false;
    }
    absorb(ByteView(m_readBuffer.data(), static_cast<std::size_t>(count)));
    return !m_assembler.failed() && !m_inputEnded;
}

// Takes bytes from the socket through the TLS layer, as far as there is one, into the queue of
// complete messages.
void Connection::absorb(ByteView received)
{
    if (m_tlsState == TlsState::FirstByteUnseen) {
        const bool strict = received.front() == kTlsHandshakeRecord;
        m_tls = strict ? m_tlsContext->newSession(TlsSession::Framing::Strict) : nullptr;
        m_tlsState = strict ? TlsState::StrictHandshake : TlsState::Plain;
        if (strict && !m_tls)
            return failTls("cannot start TLS");
    }
    switch (m_tlsState) {
    case TlsState::FirstByteUnseen:
    case TlsState::Plain:
    case TlsState::WrappedHandshake:
        return assemble(received);
    case TlsState::StrictHandshake:
        m_tls->feed(received);
        return continueStrictHandshake();
    case TlsState::LoginOnly:
    case TlsState::Encrypted:
        m_tls->feed(received);
        return decryptRecords();
    }
}

void Connection::assemble(ByteView plaintext)
{
    m_assembler.feed(plaintext);
    while (auto message = m_assembler.nextMessage())
        m_pending.push_back(std::move(*message));
}

void Connection::continueStrictHandshake()
{
    const TlsSession::Handshake state = m_tls->continueHandshake();
    if (!sendRaw(m_tls->takeOutgoing())) {
        m_inputEnded = true;
        return;
    }
    if (state == TlsSession::Handshake::Failed)
        return failTls("handshake failed: " + m_tls->failure());
    if (state == TlsSession::Handshake::Done) {
        m_tlsState = TlsState::Encrypted;
        m_session.useStrictEncryption();
        decryptRecords();
    }
}

// After a PRELOGIN reply that agreed on encryption, the client starts a TLS handshake.
bool Connection::startNegotiatedTls()
{
    const EncryptionMode mode = m_session.encryption();
    if (m_tlsState != TlsState::Plain
        || (mode != EncryptionMode::LoginOnly && mode != EncryptionMode::Full))
        return true;
    m_tls = m_tlsContext->newSession(TlsSession::Framing::Tds7);
    if (!m_tls) {
        failTls("cannot start TLS");
        return false;
    }
    m_tlsState = TlsState::WrappedHandshake;
    return true;
}

// One PRELOGIN message carries one flight of the client's handshake; the server's flight goes
// back as one PRELOGIN message too (tedious waits for exactly one).
bool Connection::continueWrappedHandshake(const TdsMessage &message)
{
    if (message.type != PacketType::Prelogin) {
        failTls("handshake expected, got packet type "
            + std::to_string(static_cast<int>(message.type)));
        return false;
    }
    m_tls->feed(message.payload);
    const TlsSession::Handshake state = m_tls->continueHandshake();
    const Bytes flight = m_tls->takeOutgoing();
    if (!flight.empty()) {
        PacketWriter reply(
            m_session.spid(), m_session.packetSize(),
            [this](ByteView bytes) { return sendRaw(bytes); }, PacketType::Prelogin);
        reply.body().bytes(flight);
        if (!reply.finish())
            return false;
    }
    if (state == TlsSession::Handshake::Failed) {
        failTls("handshake failed: " + m_tls->failure());
        return false;
    }
    if (state == TlsSession::Handshake::Done) {
        m_tlsState = m_session.encryption() == EncryptionMode::LoginOnly ? TlsState::LoginOnly
                                                                         : TlsState::Encrypted;
    }
    return true;
}

void Connection::decryptRecords()
{
    while (m_tlsState == TlsState::LoginOnly || m_tlsState == TlsState::Encrypted) {
        const auto record = m_tls->readRecord();
        if (!record)
            return failTls(m_tls->failure());
        if (record->empty())
            return;
        assemble(*record);
        const bool loginRead = std::any_of(m_pending.begin(), m_pending.end(),
            [](const TdsMessage &message) { return message.type == PacketType::Login7; });
        if (m_tlsState == TlsState::LoginOnly && loginRead) {
            // The client goes on in plaintext right after its login, without ending TLS.
            const Bytes rest = m_tls->takeUnread();
            m_tls.reset();
            m_tlsState = TlsState::Plain;
            assemble(rest);
        }
    }
}

void Connection::failTls(const std::string &reason)
{
    m_log.write(m_session.spid(), "TLS", reason + ": connection closed");
    m_inputEnded = true;
}

// A client's next request usually follows its last reply within tens of microseconds. Polling
// the socket that long before sleeping in recv() spares this thread a wake-up, which on a virtual
// machine costs more than answering the query (a round trip through FreeTDS drops from about
// 120 to 45 us here); a quiet connection costs at most kSpinBeforeSleep of CPU per request.
ssize_t Connection::receiveWaiting()
{
    const auto until = std::chrono::steady_clock::now() + kSpinBeforeSleep;
    do {
        const ssize_t count
            = ::recv(m_socket, m_readBuffer.data(), m_readBuffer.size(), MSG_DONTWAIT);
        if (count >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return count;
    } while (std::chrono::steady_clock::now() < until);
    return ::recv(m_socket, m_readBuffer.data(), m_readBuffer.size(), 0);
}

// Removes a queued ATTENTION; requests queued before it are dropped with it, as the client has
// given up on them.
bool Connection::takeAttention()
{
    const auto attention = std::find_if(m_pending.begin(), m_pending.end(),
        [](const TdsMessage &m) { return m.type == PacketType::Attention; });
    if (attention == m_pending.end())
        return false;
    m_requests += static_cast<int>(std::distance(m_pending.begin(), attention)) + 1;
    m_pending.erase(m_pending.begin(), attention + 1);
    return true;
}

Connection::Wait Connection::delayReply()
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_options.delayMs);
    while (true) {
        if (takeAttention())
            return Wait::Attention;
        if (m_inputEnded || m_assembler.failed())
            return Wait::Closed;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::Elapsed;
        if (!readAvailable(static_cast<int>(left.count())))
            return Wait::Closed;
    }
}

bool Connection::cancelRequested()
{
    readAvailable(0);
    return takeAttention() || m_inputEnded;
}

bool Connection::send(ByteView bytes)
{
    if (m_tlsState != TlsState::Encrypted)
        return sendRaw(bytes);
    m_tls->write(bytes);
    return sendRaw(m_tls->takeOutgoing());
}

bool Connection::sendRaw(ByteView bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t result
            = ::send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

} // namespace tovik::sampleserver
