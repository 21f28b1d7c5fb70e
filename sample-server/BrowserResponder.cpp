#include "BrowserResponder.h"

#include "ByteWriter.h"
#include "TextCodec.h"

#include <algorithm>

namespace tovik::sampleserver {

namespace {

constexpr std::uint8_t kBroadcastAll = 0x02;
constexpr std::uint8_t kUnicastAll = 0x03;
constexpr std::uint8_t kUnicastInstance = 0x04;
constexpr std::uint8_t kResponse = 0x05;
constexpr std::size_t kMaxInstanceName = 32;

} // namespace

BrowserResponder::BrowserResponder(
    std::string serverName, std::string instance, std::uint16_t tcpPort)
    : m_serverName(std::move(serverName))
    , m_instance(std::move(instance))
    , m_tcpPort(tcpPort)
{
}

std::optional<Bytes> BrowserResponder::reply(ByteView request) const
{
    if (request.empty())
        return std::nullopt;
    if (request[0] == kBroadcastAll || request[0] == kUnicastAll)
        return response();
    if (request[0] != kUnicastInstance)
        return std::nullopt;
    const ByteView rest = request.subspan(1);
    const auto end = std::find(rest.begin(), rest.end(), 0);
    const std::string name(rest.begin(), end);
    if (name.size() > kMaxInstanceName || !TextCodec::equalsIgnoringCase(name, m_instance))
        return std::nullopt;
    return response();
}

Bytes BrowserResponder::response() const
{
    const std::string text = "ServerName;" + m_serverName + ";InstanceName;" + m_instance
        + ";IsClustered;No;Version;16.0.4000.0;tcp;" + std::to_string(m_tcpPort) + ";;";
    ByteWriter out;
    out.u8(kResponse);
    out.u16le(static_cast<std::uint16_t>(text.size()));
    out.bytes(ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
    return out.take();
}

} // namespace tovik::sampleserver
