#pragma once

#include "Bytes.h"

#include <optional>
#include <string>

namespace tovik::sampleserver {

// The SQL Server Browser's answer on UDP, through which a client given HOST\INSTANCE and no port
// learns the instance's TCP port.
class BrowserResponder
{
public:
    BrowserResponder(std::string serverName, std::string instance, std::uint16_t tcpPort);

    // The reply datagram, or nothing for a request that names another instance or is not one.
    std::optional<Bytes> reply(ByteView request) const;

private:
    Bytes response() const;

    std::string m_serverName;
    std::string m_instance;
    std::uint16_t m_tcpPort;
};

} // namespace tovik::sampleserver
