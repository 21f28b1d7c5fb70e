#pragma once

#include "RecordingHost.h"
#include "SampleServer.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace tovik::test {

// Lines of a run log as the expected texts write them.
inline const QString kCrlf = QStringLiteral("\r\n");
// Each line followed by CR LF.
QString logLines(const QStringList &lines);

// Schema statements of the monitoring database's tables that the run reads.
QStringList reportTableStatements();
QString cpuReportRow(const QString &id, const QString &name, const QString &pollint);
QString sampleTableStatement(const QString &table);
QString nodesTableStatement();
QString nodeRow(int id, const QString &name, const QString &address, const QString &trapCommunity);

// A served data directory, a running sample server on a free port and a host whose controls
// point at it with remote SQL authentication; the run log goes to its own directory.
class MonitoringFixture
{
public:
    MonitoringFixture();

    // Writes DIR/<name>.sqlite; fails the calling test through the returned false.
    bool addDatabase(const QString &name, const QStringList &statements);
    bool startServer(SampleServer::Options options = {});

    RecordingHost host;
    QString dataDir() const { return m_data.path(); }
    QString appDir() const { return m_app.path(); }
    QString runLog() const;
    // Where the run log of a run through host is written.
    QString runLogPath() const;
    SampleServer &server() { return *m_server; }
    quint16 port() const { return m_server ? m_server->port() : 0; }
    QString error;

private:
    QTemporaryDir m_data;
    QTemporaryDir m_app;
    std::unique_ptr<SampleServer> m_server;
};

} // namespace tovik::test
