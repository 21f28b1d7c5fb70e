#pragma once

#include "ServerLogCursor.h"

#include <QString>
#include <memory>

namespace tovik::test {
class SampleServer;
}

namespace tovik::bench {

// The sample server a benchmark size measures against, with a cursor on its request log.
class BenchServer
{
public:
    BenchServer();
    ~BenchServer();

    // Serves the databases in dataDir on a free port; false with *failure set when it does not
    // come up.
    bool start(const QString &dataDir, QString *failure);
    void stop();
    quint16 port() const;
    ServerLogCursor &log() { return *m_log; }

private:
    std::unique_ptr<test::SampleServer> m_server;
    std::unique_ptr<ServerLogCursor> m_log;
};

} // namespace tovik::bench
