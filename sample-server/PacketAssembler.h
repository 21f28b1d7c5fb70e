#pragma once

#include "TdsMessage.h"

#include <optional>
#include <string>

namespace tovik::sampleserver {

// Joins the packets a client sends into request messages. Works on bytes only (no socket), so
// that any byte sequence can be fed to it; a sequence that cannot be TDS marks it failed, and the
// connection that fed it is then given up.
class PacketAssembler
{
public:
    static constexpr std::size_t kHeaderSize = 8;
    static constexpr std::size_t kMaxPacketSize = 32767;
    static constexpr std::size_t kMaxMessageSize = 64 * 1024 * 1024;

    void feed(ByteView data);
    // The next complete message, or nothing while more bytes are needed or after a failure.
    std::optional<TdsMessage> nextMessage();

    bool failed() const { return !m_failure.empty(); }
    const std::string &failure() const { return m_failure; }

private:
    bool acceptHeader(std::uint8_t type, std::uint8_t status, std::size_t length);
    void fail(std::string reason);

    Bytes m_buffer;
    std::size_t m_consumed = 0;
    Bytes m_message;
    std::optional<std::uint8_t> m_messageType;
    std::string m_failure;
};

} // namespace tovik::sampleserver
