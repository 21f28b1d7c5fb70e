#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace tovik::sampleserver {

// A numeric loopback address (127.0.0.0/8 or ::1): the server never listens anywhere else, so
// that test data cannot leak onto a network.
class LoopbackAddress
{
public:
    static std::optional<LoopbackAddress> parse(std::string_view text);

    int family() const { return m_storage.ss_family; }
    // The socket address with the given port.
    sockaddr_storage withPort(std::uint16_t port) const;
    socklen_t length() const;
    const std::string &text() const { return m_text; }
    // "127.0.0.1:1433" or "[::1]:1433".
    std::string withPortText(std::uint16_t port) const;

private:
    sockaddr_storage m_storage {};
    std::string m_text;
};

} // namespace tovik::sampleserver
