#pragma once

#include "SampleData.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace tovik::test {

// The path of the server binary: the environment variable TOVIK_SAMPLE_SERVER.
QString sampleServerPath();

// One line of the server's --log file, "#<spid> <KIND> <detail>".
struct LoggedRequest
{
    int spid = 0;
    QString kind; // PRELOGIN, LOGIN7, SQL_BATCH, RPC, ATTENTION, DROP, ...
    QString detail; // a SQL text's line breaks, logged as \r and \n, restored
};

// tovik-sample-server `serve` as a child process of the test. The child dies with the thread
// that started it (on Linux), so that a crashed test leaves no server behind: start it from a
// thread that outlives it, normally the test's main thread.
class SampleServer
{
public:
    struct Options
    {
        QString dataDir; // directory of *.sqlite files
        QString instance = "SNMPCONLINE";
        bool browser = false; // true: answer SQL Browser on UDP 127.0.0.1:1434, false: off
        QStringList logins; // "user:password"; empty: the server's default (sa, empty password)
        int delayMs = 0;
        int delayFrom = 0; // 0: every reply is delayed; N: from a connection's N-th request on
        int dropAfter = 0; // 0: off
        QString listen = "127.0.0.1";
        quint16 port = 0; // 0: a free port
        QString defaultLanguage; // empty: the server's default (us_english)
        QString certificate; // PEM files; empty: the server offers no encryption
        QString key;
        bool forceEncryption = false;
        QString kerberosKeytab; // empty: integrated logins are refused
        QStringList windowsLogins; // principals such as alice@TOVIK.TEST
    };

    explicit SampleServer(Options options);
    ~SampleServer();
    // A started server, or nothing with the reason given as a test warning.
    static std::unique_ptr<SampleServer> started(Options options);
    SampleServer(const SampleServer &) = delete;
    SampleServer &operator=(const SampleServer &) = delete;

    // Starts `serve` and waits (at most about 10 s) for its "listening on ADDR:PORT" line.
    bool start(QString *error = nullptr);
    // Terminates the server and waits; kills it if it does not end.
    void stop();
    quint16 port() const { return m_port; }
    qint64 pid() const;
    // The content of the server's --log file.
    QString logText() const;
    // The lines of the --log file in their order.
    QList<LoggedRequest> loggedRequests() const;

private:
    QStringList arguments() const;
    bool startOnce(QString *error);
    bool waitForListening(int timeoutMs, QString *error);
    QString errorOutput() const;

    Options m_options;
    QTemporaryDir m_workDir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};

} // namespace tovik::test
