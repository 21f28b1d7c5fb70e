#include "PacketAssembler.h"

namespace tovik::sampleserver {

namespace {

constexpr std::uint8_t kEndOfMessage = 0x01;
constexpr std::uint8_t kIgnore = 0x02;
constexpr std::uint8_t kKnownStatusBits = 0x01 | 0x02 | 0x08 | 0x10;

bool isClientPacketType(std::uint8_t type)
{
    switch (static_cast<PacketType>(type)) {
    case PacketType::SqlBatch:
    case PacketType::Rpc:
    case PacketType::Attention:
    case PacketType::BulkLoad:
    case PacketType::FederatedAuthToken:
    case PacketType::TransactionManager:
    case PacketType::Login7:
    case PacketType::Sspi:
    case PacketType::Prelogin:
        return true;
    case PacketType::TabularResult:
        return false;
    }
    return false;
}

} // namespace

void PacketAssembler::feed(ByteView data)
{
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_consumed));
    m_consumed = 0;
    m_buffer.insert(m_buffer.end(), data.begin(), data.end());
}

std::optional<TdsMessage> PacketAssembler::nextMessage()
{
    while (!failed() && m_buffer.size() - m_consumed >= kHeaderSize) {
        const std::uint8_t *header = m_buffer.data() + m_consumed;
        const std::uint8_t type = header[0];
        const std::uint8_t status = header[1];
        const std::size_t length = (static_cast<std::size_t>(header[2]) << 8) | header[3];
        if (!acceptHeader(type, status, length))
            return std::nullopt;
        if (m_buffer.size() - m_consumed < length)
            return std::nullopt;
        m_message.insert(m_message.end(), header + kHeaderSize, header + length);
        m_consumed += length;
        m_messageType = type;
        if (!(status & kEndOfMessage))
            continue;
        TdsMessage message {static_cast<PacketType>(type), std::move(m_message)};
        m_message.clear();
        m_messageType.reset();
        // A client sets the ignore bit to take back a message it has begun to send.
        if (status & kIgnore)
            continue;
        return message;
    }
    return std::nullopt;
}

bool PacketAssembler::acceptHeader(std::uint8_t type, std::uint8_t status, std::size_t length)
{
    if (!isClientPacketType(type))
        fail("unknown packet type " + std::to_string(type));
    else if (status & ~kKnownStatusBits)
        fail("unknown packet status bits " + std::to_string(status));
    else if (length < kHeaderSize || length > kMaxPacketSize)
        fail("packet length " + std::to_string(length) + " out of range");
    else if (m_messageType && *m_messageType != type)
        fail("packet type changed inside a message");
    else if (m_message.size() + length > kMaxMessageSize)
        fail("request larger than " + std::to_string(kMaxMessageSize) + " bytes");
    return !failed();
}

void PacketAssembler::fail(std::string reason)
{
    m_failure = std::move(reason);
}

} // namespace tovik::sampleserver
