#pragma once

#include "PacketAssembler.h"
#include "Session.h"

#include <deque>
#include <sys/types.h>

namespace tovik::sampleserver {

// One accepted TCP connection on its own thread: reads requests, hands them to the Session,
// writes the replies, and applies the fault options (--delay-ms, --drop-after). While a reply is
// delayed or a statement runs, the socket is still watched, so that an ATTENTION from a client
// that gave up is acknowledged at once.
class Connection
{
public:
    Connection(int socket, const ServeOptions &options, const DatabaseCatalog &catalog,
        RequestLog &log, std::uint16_t spid);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void run();

private:
    enum class Wait { Elapsed, Attention, Closed };

    std::optional<TdsMessage> nextMessage();
    bool readAvailable(int timeoutMs);
    ssize_t receiveWaiting();
    bool takeAttention();
    Wait delayReply();
    bool answer(const TdsMessage &message);
    bool sendAttentionAcknowledgement();
    bool send(ByteView bytes);
    bool cancelRequested();

    int m_socket;
    const ServeOptions &m_options;
    RequestLog &m_log;
    Session m_session;
    PacketAssembler m_assembler;
    std::deque<TdsMessage> m_pending;
    Bytes m_readBuffer;
    bool m_peerClosed = false;
    int m_requests = 0;
};

} // namespace tovik::sampleserver
