#pragma once

#include "BrowserResponder.h"
#include "DatabaseCatalog.h"
#include "LoopbackAddress.h"
#include "RequestLog.h"
#include "ServeOptions.h"
#include "TlsContext.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tovik::sampleserver {

// Listens on every --listen address (one TCP port for all), answers the SQL Server Browser on
// the same addresses, and gives each accepted connection a thread of its own.
class Server
{
public:
    explicit Server(ServeOptions options);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Nothing on success, else why the server cannot listen.
    std::optional<std::string> start();
    // "127.0.0.1:PORT" for the first --listen address.
    std::string address() const;
    // Serves until the process ends.
    void run();

private:
    std::optional<std::string> bindAll(std::uint16_t port);
    std::optional<std::string> bindTcp(const LoopbackAddress &address, std::uint16_t port);
    std::optional<std::string> bindUdp(const LoopbackAddress &address);
    void closeAll();
    void accept(int listener);
    void answerBrowser(int socket) const;

    ServeOptions m_options;
    std::vector<LoopbackAddress> m_addresses;
    DatabaseCatalog m_catalog;
    RequestLog m_log;
    std::unique_ptr<BrowserResponder> m_browser;
    // Nothing without a certificate.
    std::unique_ptr<TlsContext> m_tls;
    std::vector<int> m_tcpSockets;
    std::vector<int> m_udpSockets;
    std::uint16_t m_port = 0;
    std::uint16_t m_nextSpid = 51;
};

} // namespace tovik::sampleserver
