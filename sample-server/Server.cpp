#include "Server.h"

#include "Bytes.h"
#include "Connection.h"
#include "KerberosAcceptor.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tovik::sampleserver {

namespace {

constexpr int kBacklog = 64;
constexpr int kPortAttempts = 20;

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

std::string hostName()
{
    std::array<char, 256> name {};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return "localhost";
    return name.data();
}

std::uint16_t boundPort(int socket)
{
    sockaddr_storage storage {};
    socklen_t length = sizeof storage;
    if (getsockname(socket, reinterpret_cast<sockaddr *>(&storage), &length) != 0)
        return 0;
    if (storage.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in *>(&storage)->sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6 *>(&storage)->sin6_port);
}

void setFlag(int socket, int level, int option)
{
    const int on = 1;
    setsockopt(socket, level, option, &on, sizeof on);
}

} // namespace

Server::Server(ServeOptions options)
    : m_options(std::move(options))
    , m_catalog(m_options.dataDir)
{
    for (const std::string &text : m_options.listen) {
        if (const auto address = LoopbackAddress::parse(text))
            m_addresses.push_back(*address);
    }
}

Server::~Server()
{
    closeAll();
}

std::optional<std::string> Server::start()
{
    if (!m_options.logPath.empty() && !m_log.open(m_options.logPath))
        return systemError("cannot write the log file " + m_options.logPath);
    if (!m_options.certificatePath.empty()) {
        m_tls = std::make_unique<TlsContext>();
        if (auto error = m_tls->load(m_options.certificatePath, m_options.keyPath))
            return error;
    }
    if (!m_options.kerberosKeytab.empty()) {
        if (auto error = KerberosAcceptor::checkKeytab(m_options.kerberosKeytab))
            return error;
    }
    // With port 0 the first address picks a free port, which the other addresses may not have.
    const int attempts = m_options.port == 0 ? kPortAttempts : 1;
    std::optional<std::string> error;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        error = bindAll(m_options.port);
        if (!error)
            break;
        closeAll();
    }
    if (error)
        return error;
    m_browser = std::make_unique<BrowserResponder>(hostName(), m_options.instance, m_port);
    return std::nullopt;
}

std::optional<std::string> Server::bindAll(std::uint16_t port)
{
    m_port = port;
    for (const LoopbackAddress &address : m_addresses) {
        if (auto error = bindTcp(address, m_port))
            return error;
        if (m_port == 0)
            m_port = boundPort(m_tcpSockets.back());
    }
    if (m_options.browserPort == 0)
        return std::nullopt;
    for (const LoopbackAddress &address : m_addresses) {
        if (auto error = bindUdp(address))
            return error;
    }
    return std::nullopt;
}

std::optional<std::string> Server::bindTcp(const LoopbackAddress &address, std::uint16_t port)
{
    const int socket = ::socket(address.family(), SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return systemError("cannot create a TCP socket");
    m_tcpSockets.push_back(socket);
    setFlag(socket, SOL_SOCKET, SO_REUSEADDR);
    if (address.family() == AF_INET6)
        setFlag(socket, IPPROTO_IPV6, IPV6_V6ONLY);
    const sockaddr_storage storage = address.withPort(port);
    if (::bind(socket, reinterpret_cast<const sockaddr *>(&storage), address.length()) != 0)
        return systemError("cannot listen on TCP " + address.withPortText(port));
    if (::listen(socket, kBacklog) != 0)
        return systemError("cannot listen on TCP " + address.withPortText(port));
    return std::nullopt;
}

std::optional<std::string> Server::bindUdp(const LoopbackAddress &address)
{
    const int socket = ::socket(address.family(), SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return systemError("cannot create a UDP socket");
    m_udpSockets.push_back(socket);
    if (address.family() == AF_INET6)
        setFlag(socket, IPPROTO_IPV6, IPV6_V6ONLY);
    const sockaddr_storage storage = address.withPort(m_options.browserPort);
    if (::bind(socket, reinterpret_cast<const sockaddr *>(&storage), address.length()) != 0) {
        return systemError("cannot answer the SQL Server Browser on UDP "
            + address.withPortText(m_options.browserPort));
    }
    return std::nullopt;
}

void Server::closeAll()
{
    for (int socket : m_tcpSockets)
        ::close(socket);
    for (int socket : m_udpSockets)
        ::close(socket);
    m_tcpSockets.clear();
    m_udpSockets.clear();
}

std::string Server::address() const
{
    return m_addresses.front().withPortText(m_port);
}

void Server::run()
{
    std::vector<pollfd> descriptors;
    for (int socket : m_tcpSockets)
        descriptors.push_back({socket, POLLIN, 0});
    for (int socket : m_udpSockets)
        descriptors.push_back({socket, POLLIN, 0});
    while (true) {
        if (::poll(descriptors.data(), descriptors.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (std::size_t i = 0; i < descriptors.size(); ++i) {
            if (!(descriptors[i].revents & POLLIN))
                continue;
            if (i < m_tcpSockets.size())
                accept(descriptors[i].fd);
            else
                answerBrowser(descriptors[i].fd);
        }
    }
}

void Server::accept(int listener)
{
    const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) {
        // Out of descriptors: the listener stays readable, so pause instead of spinning.
        if (errno == EMFILE || errno == ENFILE)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return;
    }
    setFlag(socket, IPPROTO_TCP, TCP_NODELAY);
    const std::uint16_t spid = m_nextSpid;
    m_nextSpid = m_nextSpid >= 32767 ? 51 : static_cast<std::uint16_t>(m_nextSpid + 1);
    std::thread([this, socket, spid] {
        Connection connection(socket, m_options, m_catalog, m_log, m_tls.get(), spid);
        connection.run();
    }).detach();
}

void Server::answerBrowser(int socket) const
{
    std::array<std::uint8_t, 1024> buffer {};
    sockaddr_storage peer {};
    socklen_t peerLength = sizeof peer;
    const ssize_t count = ::recvfrom(
        socket, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr *>(&peer), &peerLength);
    if (count <= 0)
        return;
    const auto reply = m_browser->reply(ByteView(buffer.data(), static_cast<std::size_t>(count)));
    if (reply) {
        ::sendto(socket, reply->data(), reply->size(), 0, reinterpret_cast<sockaddr *>(&peer),
            peerLength);
    }
}

} // namespace tovik::sampleserver
