#include "BenchServer.h"

#include "SampleServer.h"

namespace tovik::bench {

BenchServer::BenchServer() = default;
BenchServer::~BenchServer() = default;

bool BenchServer::start(const QString &dataDir, QString *failure)
{
    test::SampleServer::Options options;
    options.dataDir = dataDir;
    m_server = std::make_unique<test::SampleServer>(options);
    if (!m_server->start(failure))
        return false;
    m_log = std::make_unique<ServerLogCursor>(*m_server);
    return true;
}

void BenchServer::stop()
{
    if (m_server)
        m_server->stop();
}

quint16 BenchServer::port() const
{
    return m_server ? m_server->port() : 0;
}

} // namespace tovik::bench
