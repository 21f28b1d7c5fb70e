#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tovik::test {
class SampleServer;
}

namespace tovik::bench {

// Reads the sample server's request log piece by piece: each call hands back the SQL texts that
// arrived since the last call, per connection (server process id) in their order.
class ServerLogCursor
{
public:
    explicit ServerLogCursor(const test::SampleServer &server);

    QMap<int, QStringList> newSqlTexts();
    // The SQL batches and remote procedure calls, each as its kind, a blank and its detail.
    QMap<int, QStringList> newStatements();

private:
    QMap<int, QStringList> newRequests(const QStringList &kinds, bool withKind);

    const test::SampleServer &m_server;
    qsizetype m_requestsRead = 0;
};

} // namespace tovik::bench
