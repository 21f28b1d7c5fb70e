#include "LoopbackAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace tovik::sampleserver {

std::optional<LoopbackAddress> LoopbackAddress::parse(std::string_view text)
{
    const std::string value(text);
    LoopbackAddress address;
    address.m_text = value;
    auto *v4 = reinterpret_cast<sockaddr_in *>(&address.m_storage);
    if (inet_pton(AF_INET, value.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        if ((ntohl(v4->sin_addr.s_addr) >> 24) != 127)
            return std::nullopt;
        return address;
    }
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(&address.m_storage);
    if (inet_pton(AF_INET6, value.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        if (!IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr))
            return std::nullopt;
        return address;
    }
    return std::nullopt;
}

sockaddr_storage LoopbackAddress::withPort(std::uint16_t port) const
{
    sockaddr_storage storage = m_storage;
    if (family() == AF_INET)
        reinterpret_cast<sockaddr_in *>(&storage)->sin_port = htons(port);
    else
        reinterpret_cast<sockaddr_in6 *>(&storage)->sin6_port = htons(port);
    return storage;
}

socklen_t LoopbackAddress::length() const
{
    return family() == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
}

std::string LoopbackAddress::withPortText(std::uint16_t port) const
{
    if (family() == AF_INET6)
        return "[" + m_text + "]:" + std::to_string(port);
    return m_text + ":" + std::to_string(port);
}

} // namespace tovik::sampleserver
