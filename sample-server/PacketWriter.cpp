#include "PacketWriter.h"

#include "PacketAssembler.h"

#include <algorithm>

namespace tovik::sampleserver {

PacketWriter::PacketWriter(
    std::uint16_t spid, std::size_t packetSize, Transport transport, PacketType type)
    : m_spid(spid)
    , m_packetSize(packetSize)
    , m_transport(std::move(transport))
    , m_type(type)
{
}

bool PacketWriter::flushIfLarge()
{
    if (m_body.size() < kFlushThreshold)
        return !m_transportFailed;
    const std::size_t perPacket = m_packetSize - PacketAssembler::kHeaderSize;
    // Keep at least one byte back: the packet carrying the end-of-message flag must not be empty.
    const std::size_t packets = (m_body.size() - 1) / perPacket;
    return send(packets * perPacket, false);
}

bool PacketWriter::finish()
{
    return send(m_body.size(), true);
}

bool PacketWriter::send(std::size_t bodyBytes, bool end)
{
    if (m_transportFailed)
        return false;
    const ByteView part(m_body.data().data(), bodyBytes);
    const Bytes packets = frame(part, m_spid, m_packetSize, m_nextPacketId, end, m_type);
    const std::size_t perPacket = m_packetSize - PacketAssembler::kHeaderSize;
    const std::size_t count = std::max<std::size_t>(1, (bodyBytes + perPacket - 1) / perPacket);
    m_nextPacketId = static_cast<std::uint8_t>(m_nextPacketId + count);
    m_body.eraseFront(bodyBytes);
    if (!m_transport(packets))
        m_transportFailed = true;
    return !m_transportFailed;
}

Bytes PacketWriter::frame(ByteView body, std::uint16_t spid, std::size_t packetSize,
    std::uint8_t firstPacketId, bool lastIsEnd, PacketType type)
{
    const std::size_t perPacket = packetSize - PacketAssembler::kHeaderSize;
    ByteWriter out;
    std::size_t offset = 0;
    std::uint8_t packetId = firstPacketId;
    do {
        const std::size_t chunk = std::min(perPacket, body.size() - offset);
        const bool last = offset + chunk == body.size();
        out.u8(static_cast<std::uint8_t>(type));
        out.u8(last && lastIsEnd ? 0x01 : 0x00);
        out.u16be(static_cast<std::uint16_t>(chunk + PacketAssembler::kHeaderSize));
        out.u16be(spid);
        out.u8(packetId++);
        out.u8(0);
        out.bytes(body.subspan(offset, chunk));
        offset += chunk;
    } while (offset < body.size());
    return out.take();
}

} // namespace tovik::sampleserver
