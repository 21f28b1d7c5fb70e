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

} // namespace

Connection::Connection(int socket, const ServeOptions &options, const DatabaseCatalog &catalog,
    RequestLog &log, std::uint16_t spid)
    : m_socket(socket)
    , m_options(options)
    , m_log(log)
    , m_session(options, catalog, log, spid)
{
}

Connection::~Connection()
{
    ::close(m_socket);
}

void Connection::run()
{
    while (auto message = nextMessage()) {
        ++m_requests;
        if (!answer(*message))
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
        if (m_assembler.failed() || m_peerClosed || !readAvailable(-1))
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
        m_peerClosed = true;
        return false;
    }
    m_assembler.feed(ByteView(m_readBuffer.data(), static_cast<std::size_t>(count)));
    while (auto message = m_assembler.nextMessage())
        m_pending.push_back(std::move(*message));
    return !m_assembler.failed();
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
        if (m_peerClosed || m_assembler.failed())
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
    return takeAttention() || m_peerClosed;
}

bool Connection::send(ByteView bytes)
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
