#pragma once

#include "ByteWriter.h"
#include "TdsMessage.h"

#include <functional>

namespace tovik::sampleserver {

// Collects one reply message and hands it to the transport as whole packets of the negotiated
// size. A small reply leaves in one write: header and body in separate writes stall every query
// for tens of milliseconds (Nagle's algorithm against the client's delayed ACK).
class PacketWriter
{
public:
    using Transport = std::function<bool(ByteView)>;
    static constexpr std::size_t kFlushThreshold = 256 * 1024;

    PacketWriter(std::uint16_t spid, std::size_t packetSize, Transport transport,
        PacketType type = PacketType::TabularResult);

    ByteWriter &body() { return m_body; }
    // Sends the complete packets of a large reply early, keeping the tail for finish().
    bool flushIfLarge();
    // Sends what is left as the last packet of the message.
    bool finish();
    // Forgets the body not yet sent (a cancelled statement's rows).
    void discardUnsent() { m_body.clear(); }
    bool transportFailed() const { return m_transportFailed; }

    static Bytes frame(ByteView body, std::uint16_t spid, std::size_t packetSize,
        std::uint8_t firstPacketId, bool lastIsEnd, PacketType type = PacketType::TabularResult);

private:
    bool send(std::size_t bodyBytes, bool end);

    std::uint16_t m_spid;
    std::size_t m_packetSize;
    Transport m_transport;
    PacketType m_type;
    ByteWriter m_body;
    std::uint8_t m_nextPacketId = 1;
    bool m_transportFailed = false;
};

} // namespace tovik::sampleserver
