#include "RawTdsClient.h"
#include "SampleData.h"
#include "SampleServer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <memory>

using namespace tovik::test;

namespace {

constexpr quint16 kDoneMore = 0x0001;
constexpr quint16 kDoneError = 0x0002;
constexpr quint16 kDoneCount = 0x0010;
constexpr quint16 kDoneAttention = 0x0020;
constexpr int kTimeoutMs = 10000;

SampleServer::Options serverOptions(const QString &dataDir)
{
    SampleServer::Options options;
    options.dataDir = dataDir;
    return options;
}

bool loggedIn(RawTdsClient &client, quint16 port, const TdsLogin &login = TdsLogin())
{
    if (!client.connectTo("127.0.0.1", port))
        return false;
    const auto reply = client.login(login);
    return reply && reply->decoded && !reply->ofType(TdsReply::LoginAck).isEmpty();
}

QList<quint16> doneStatuses(const TdsReply &reply)
{
    QList<quint16> statuses;
    for (const TdsToken &token : reply.tokens) {
        if (token.type == TdsReply::Done || token.type == TdsReply::DoneProc)
            statuses << token.status;
    }
    return statuses;
}

int serveExitCode(const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start(sampleServerPath(), QStringList {"serve"} + arguments);
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *output = QString::fromUtf8(process.readAllStandardError());
    return process.exitCode();
}

} // namespace

class tst_SampleServerProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void preloginRefusesEncryption();
    void loginAckEchoesClientVersion_data();
    void loginAckEchoesClientVersion();
    void refusesOldProtocolAndIntegratedLogins_data();
    void refusesOldProtocolAndIntegratedLogins();
    void repliesAreSplitAtNegotiatedPacketSize_data();
    void repliesAreSplitAtNegotiatedPacketSize();
    void requestMaySpanPackets();
    void batchWithSeveralStatements_data();
    void batchWithSeveralStatements();
    void unsupportedRequestsGetAnError_data();
    void unsupportedRequestsGetAnError();
    void transactionRequestsAreAcknowledged();
    void useSwitchesDatabase();
    void attentionAfterResult();
    void attentionDuringDelay();
    void attentionInterruptsRunningStatement();
    void dropAfterCountsEveryRequest_data();
    void dropAfterCountsEveryRequest();
    void garbageEndsOnlyThatConnection_data();
    void garbageEndsOnlyThatConnection();
    void listensOnEveryGivenAddress();
    void refusesBadCommandLines_data();
    void refusesBadCommandLines();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SampleServer> m_server;
};

void tst_SampleServerProtocol::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(generateSampleData(m_dir.path(), {"--nodes", "40", "--hours", "12"}, &error),
        qPrintable(error));
    m_server = SampleServer::started(serverOptions(m_dir.path()));
    QVERIFY(m_server);
}

void tst_SampleServerProtocol::cleanupTestCase()
{
    m_server.reset();
}

void tst_SampleServerProtocol::preloginRefusesEncryption()
{
    RawTdsClient client;
    QVERIFY(client.connectTo("127.0.0.1", m_server->port()));
    QVERIFY(client.sendMessage(RawTdsClient::Prelogin, RawTdsClient::preloginPayload()));
    const auto reply = client.readReply();
    QVERIFY(reply);
    const QByteArray body = reply->body;
    // Option list: token, big-endian offset and length, up to the terminator.
    int encryptionOffset = -1;
    for (int at = 0; at + 5 <= body.size() && static_cast<quint8>(body[at]) != 0xFF; at += 5) {
        if (body[at] == 0x01)
            encryptionOffset = qFromBigEndian<quint16>(body.constData() + at + 1);
    }
    QVERIFY(encryptionOffset > 0 && encryptionOffset < body.size());
    QCOMPARE(static_cast<quint8>(body[encryptionOffset]), quint8(0x02));
}

void tst_SampleServerProtocol::loginAckEchoesClientVersion_data()
{
    QTest::addColumn<quint32>("version");

    QTest::newRow("TDS 7.4") << quint32(0x74000004);
    QTest::newRow("TDS 7.3B") << quint32(0x730B0003);
    QTest::newRow("TDS 7.2") << quint32(0x72090002);
}

void tst_SampleServerProtocol::loginAckEchoesClientVersion()
{
    QFETCH(quint32, version);

    RawTdsClient client;
    QVERIFY(client.connectTo("127.0.0.1", m_server->port()));
    TdsLogin login;
    login.tdsVersion = version;
    const auto reply = client.login(login);
    QVERIFY(reply && reply->decoded);
    const auto acks = reply->ofType(TdsReply::LoginAck);
    QCOMPARE(acks.size(), 1);
    QCOMPARE(acks[0].tdsVersion, version);
    QCOMPARE(acks[0].text, QString("Microsoft SQL Server"));
    QCOMPARE(reply->finalDoneStatus(), 0);
    const auto result = client.query("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY(result && result->decoded);
    QCOMPARE(result->rows(), (QList<QVariantList> {{QVariant(40)}}));
}

void tst_SampleServerProtocol::refusesOldProtocolAndIntegratedLogins_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<bool>("integrated");
    QTest::addColumn<int>("expectedError");

    QTest::newRow("TDS 7.1") << quint32(0x71000001) << false << 18456;
    QTest::newRow("integrated security") << quint32(0x74000004) << true << 18452;
}

void tst_SampleServerProtocol::refusesOldProtocolAndIntegratedLogins()
{
    QFETCH(quint32, version);
    QFETCH(bool, integrated);
    QFETCH(int, expectedError);

    RawTdsClient client;
    QVERIFY(client.connectTo("127.0.0.1", m_server->port()));
    TdsLogin login;
    login.tdsVersion = version;
    login.integrated = integrated;
    const auto reply = client.login(login);
    QVERIFY(reply && reply->decoded);
    QCOMPARE(reply->errorNumbers(), QList<qint32> {expectedError});
    QVERIFY(reply->ofType(TdsReply::LoginAck).isEmpty());
    QCOMPARE(reply->finalDoneStatus(), int(kDoneError));
    QVERIFY(client.waitForClose());
}

void tst_SampleServerProtocol::repliesAreSplitAtNegotiatedPacketSize_data()
{
    QTest::addColumn<quint32>("requested");
    QTest::addColumn<int>("negotiated");

    QTest::newRow("512") << quint32(512) << 512;
    QTest::newRow("4096") << quint32(4096) << 4096;
    QTest::newRow("8000") << quint32(8000) << 8000;
    QTest::newRow("too small: default") << quint32(100) << 4096;
    QTest::newRow("zero: default") << quint32(0) << 4096;
}

void tst_SampleServerProtocol::repliesAreSplitAtNegotiatedPacketSize()
{
    QFETCH(quint32, requested);
    QFETCH(int, negotiated);

    RawTdsClient client;
    QVERIFY(client.connectTo("127.0.0.1", m_server->port()));
    TdsLogin login;
    login.packetSize = requested;
    const auto reply = client.login(login);
    QVERIFY(reply && reply->decoded);
    QString packetSize;
    for (const TdsToken &token : reply->ofType(TdsReply::EnvChange)) {
        if (token.envType == 4)
            packetSize = token.text;
    }
    QCOMPARE(packetSize, QString::number(negotiated));
    const auto result
        = client.query("SELECT node_id, hist_time, ProcessorLoad FROM ATR_Report_3_RAW");
    QVERIFY(result && result->decoded);
    QCOMPARE(result->rows().size(), 40 * 12 * 12);
    QVERIFY(result->packets.size() > 1);
    for (qsizetype i = 0; i < result->packets.size(); ++i) {
        const QByteArray &packet = result->packets[i];
        const bool last = i + 1 == result->packets.size();
        QCOMPARE(static_cast<quint8>(packet[0]), quint8(0x04));
        QCOMPARE(static_cast<quint8>(packet[1]), quint8(last ? 0x01 : 0x00));
        if (!last)
            QCOMPARE(packet.size(), negotiated);
        QVERIFY(packet.size() <= negotiated);
    }
}

void tst_SampleServerProtocol::requestMaySpanPackets()
{
    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    const QString sql = "/* " + QString(3000, QChar('-')) + " */ SELECT COUNT(*) FROM ATR_Reports";
    QVERIFY(client.sendMessage(RawTdsClient::SqlBatch, RawTdsClient::sqlBatchPayload(sql), 512));
    const auto reply = client.readReply();
    QVERIFY(reply && reply->decoded);
    QCOMPARE(reply->rows(), (QList<QVariantList> {{QVariant(5)}}));
    QVERIFY(m_server->logText().contains("SQL_BATCH " + sql + "\n"));
}

void tst_SampleServerProtocol::batchWithSeveralStatements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QList<quint16>>("statuses");
    QTest::addColumn<QList<qint32>>("errors");
    QTest::addColumn<int>("rows");

    QTest::newRow("two selects") << "SELECT 1; SELECT 2 UNION ALL SELECT 3"
                                 << QList<quint16> {kDoneMore | kDoneCount, kDoneCount}
                                 << QList<qint32>() << 3;
    QTest::newRow("second fails") << "SELECT 1; SELECT * FROM NoSuchTable"
                                  << QList<quint16> {kDoneMore | kDoneCount, kDoneError}
                                  << QList<qint32> {208} << 1;
    QTest::newRow("empty statements between")
        << "SELECT 1;; ; SELECT 2;" << QList<quint16> {kDoneMore | kDoneCount, kDoneCount}
        << QList<qint32>() << 2;
    QTest::newRow("comment only") << "-- nothing to run" << QList<quint16> {0} << QList<qint32>()
                                  << 0;
    QTest::newRow("session options") << "SET TEXTSIZE 2147483647 SET ANSI_NULLS ON"
                                     << QList<quint16> {0} << QList<qint32>() << 0;
}

void tst_SampleServerProtocol::batchWithSeveralStatements()
{
    QFETCH(QString, sql);
    QFETCH(QList<quint16>, statuses);
    QFETCH(QList<qint32>, errors);
    QFETCH(int, rows);

    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    const auto reply = client.query(sql);
    QVERIFY(reply && reply->decoded);
    QCOMPARE(doneStatuses(*reply), statuses);
    QCOMPARE(reply->errorNumbers(), errors);
    QCOMPARE(reply->rows().size(), rows);
}

void tst_SampleServerProtocol::unsupportedRequestsGetAnError_data()
{
    QTest::addColumn<quint8>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<quint8>("doneToken");
    QTest::addColumn<qint32>("expectedError");

    QTest::newRow("RPC sp_executesql without a statement")
        << quint8(RawTdsClient::Rpc) << RawTdsClient::rpcPayload(10) << quint8(TdsReply::DoneProc)
        << 201;
    QTest::newRow("RPC sp_cursoropen") << quint8(RawTdsClient::Rpc) << RawTdsClient::rpcPayload(2)
                                       << quint8(TdsReply::DoneProc) << 2812;
    QTest::newRow("RPC by name") << quint8(RawTdsClient::Rpc)
                                 << RawTdsClient::rpcPayload(QString("sp_who"))
                                 << quint8(TdsReply::DoneProc) << 2812;
    QTest::newRow("procedure batch") << quint8(RawTdsClient::SqlBatch)
                                     << RawTdsClient::sqlBatchPayload("sp_datatype_info_100 11")
                                     << quint8(TdsReply::Done) << 2812;
    QTest::newRow("bulk load") << quint8(RawTdsClient::BulkLoad) << QByteArray(16, '\0')
                               << quint8(TdsReply::Done) << 4002;
    QTest::newRow("second LOGIN7")
        << quint8(RawTdsClient::Login7) << RawTdsClient::login7Payload(TdsLogin())
        << quint8(TdsReply::Done) << 4002;
    QTest::newRow("malformed batch") << quint8(RawTdsClient::SqlBatch) << QByteArray("\x02", 1)
                                     << quint8(TdsReply::Done) << 4002;
}

void tst_SampleServerProtocol::unsupportedRequestsGetAnError()
{
    QFETCH(quint8, type);
    QFETCH(QByteArray, payload);
    QFETCH(quint8, doneToken);
    QFETCH(qint32, expectedError);

    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    QVERIFY(client.sendMessage(type, payload));
    const auto reply = client.readReply();
    QVERIFY(reply && reply->decoded);
    QCOMPARE(reply->errorNumbers(), QList<qint32> {expectedError});
    QCOMPARE(reply->tokens.last().type, doneToken);
    QCOMPARE(reply->finalDoneStatus() & kDoneError, int(kDoneError));
    const auto after = client.query("SELECT COUNT(*) FROM ATR_Reports");
    QVERIFY(after && after->decoded);
    QCOMPARE(after->rows(), (QList<QVariantList> {{QVariant(5)}}));
}

void tst_SampleServerProtocol::transactionRequestsAreAcknowledged()
{
    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    QVERIFY(
        client.sendMessage(RawTdsClient::TransactionManager, RawTdsClient::transactionPayload(5)));
    const auto begin = client.readReply();
    QVERIFY(begin && begin->decoded);
    const auto began = begin->ofType(TdsReply::EnvChange);
    QCOMPARE(began.size(), 1);
    QCOMPARE(began[0].envType, quint8(8));
    QCOMPARE(began[0].newValue.size(), 8);
    QVERIFY(
        client.sendMessage(RawTdsClient::TransactionManager, RawTdsClient::transactionPayload(7)));
    const auto commit = client.readReply();
    QVERIFY(commit && commit->decoded);
    const auto committed = commit->ofType(TdsReply::EnvChange);
    QCOMPARE(committed.size(), 1);
    QCOMPARE(committed[0].envType, quint8(9));
    QCOMPARE(committed[0].oldValue, began[0].newValue);
    QCOMPARE(commit->finalDoneStatus(), 0);
}

void tst_SampleServerProtocol::useSwitchesDatabase()
{
    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    const auto use = client.query("USE master");
    QVERIFY(use && use->decoded);
    const auto changes = use->ofType(TdsReply::EnvChange);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes[0].text, QString("master"));
    const auto tables = client.query("SELECT name FROM sys.tables");
    QVERIFY(tables && tables->decoded);
    QVERIFY(tables->rows().isEmpty());
    const auto unknown = client.query("USE NoSuchDb");
    QVERIFY(unknown && unknown->decoded);
    QCOMPARE(unknown->errorNumbers(), QList<qint32> {911});
}

void tst_SampleServerProtocol::attentionAfterResult()
{
    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    const auto result = client.query("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY(result && result->decoded);
    QVERIFY(client.sendMessage(RawTdsClient::Attention, QByteArray()));
    const auto ack = client.readReply();
    QVERIFY(ack && ack->decoded);
    QCOMPARE(ack->tokens.size(), 1);
    QCOMPARE(ack->finalDoneStatus(), int(kDoneAttention));
}

void tst_SampleServerProtocol::attentionDuringDelay()
{
    constexpr int kDelayMs = 4000;
    SampleServer::Options options = serverOptions(m_dir.path());
    options.delayMs = kDelayMs;
    const auto server = SampleServer::started(options);
    QVERIFY(server);
    RawTdsClient client;
    QVERIFY(loggedIn(client, server->port()));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(client.sendMessage(
        RawTdsClient::SqlBatch, RawTdsClient::sqlBatchPayload("SELECT COUNT(*) FROM ATR_Nodes")));
    QThread::msleep(100);
    QVERIFY(client.sendMessage(RawTdsClient::Attention, QByteArray()));
    const auto ack = client.readReply(kTimeoutMs);
    // Acknowledged before the delay has run out, and without the statement's result.
    QVERIFY(timer.elapsed() < kDelayMs);
    QVERIFY(ack && ack->decoded);
    QVERIFY(ack->ofType(TdsReply::ColMetadata).isEmpty());
    QCOMPARE(ack->finalDoneStatus(), int(kDoneAttention));
    const auto after = client.query("SELECT COUNT(*) FROM ATR_Nodes", 2 * kDelayMs + kTimeoutMs);
    QVERIFY(after && after->decoded);
    QCOMPARE(after->rows(), (QList<QVariantList> {{QVariant(40)}}));
}

void tst_SampleServerProtocol::attentionInterruptsRunningStatement()
{
    RawTdsClient client;
    QVERIFY(loggedIn(client, m_server->port()));
    QElapsedTimer timer;
    timer.start();
    const QString endless = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) "
                            "SELECT COUNT(*) FROM n";
    QVERIFY(client.sendMessage(RawTdsClient::SqlBatch, RawTdsClient::sqlBatchPayload(endless)));
    QThread::msleep(200);
    QVERIFY(client.sendMessage(RawTdsClient::Attention, QByteArray()));
    const auto ack = client.readReply(kTimeoutMs);
    QVERIFY(ack && ack->decoded);
    QCOMPARE(ack->finalDoneStatus(), int(kDoneAttention));
    QVERIFY(ack->ofType(TdsReply::Row).isEmpty());
    const auto after = client.query("SELECT COUNT(*) FROM ATR_Reports");
    QVERIFY(after && after->decoded);
    QCOMPARE(after->rows(), (QList<QVariantList> {{QVariant(5)}}));
}

void tst_SampleServerProtocol::dropAfterCountsEveryRequest_data()
{
    QTest::addColumn<int>("dropAfter");

    QTest::newRow("after PRELOGIN") << 1;
    QTest::newRow("after LOGIN7") << 2;
    QTest::newRow("after the first batch") << 3;
    QTest::newRow("after the third batch") << 5;
}

void tst_SampleServerProtocol::dropAfterCountsEveryRequest()
{
    QFETCH(int, dropAfter);

    SampleServer::Options options = serverOptions(m_dir.path());
    options.dropAfter = dropAfter;
    const auto server = SampleServer::started(options);
    QVERIFY(server);
    RawTdsClient client;
    QVERIFY(client.connectTo("127.0.0.1", server->port()));
    const QList<QPair<quint8, QByteArray>> requests {
        {RawTdsClient::Prelogin, RawTdsClient::preloginPayload()},
        {RawTdsClient::Login7, RawTdsClient::login7Payload(TdsLogin())},
        {RawTdsClient::SqlBatch, RawTdsClient::sqlBatchPayload("SELECT 1")},
        {RawTdsClient::SqlBatch, RawTdsClient::sqlBatchPayload("SELECT 2")},
        {RawTdsClient::SqlBatch, RawTdsClient::sqlBatchPayload("SELECT 3")}};
    for (int i = 0; i < dropAfter; ++i) {
        QVERIFY(client.sendMessage(requests[i].first, requests[i].second));
        QVERIFY2(client.readReply(), qPrintable(QString("request %1 unanswered").arg(i + 1)));
    }
    QVERIFY(client.waitForClose());
}

void tst_SampleServerProtocol::garbageEndsOnlyThatConnection_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QTest::addColumn<bool>("afterLogin");

    QTest::newRow("text before login") << QByteArray("hello, server\r\n") << false;
    QTest::newRow("server packet type")
        << QByteArray("\x04\x01\x00\x08\x00\x00\x01\x00", 8) << false;
    QTest::newRow("unknown status bits")
        << QByteArray("\x01\x40\x00\x08\x00\x00\x01\x00", 8) << true;
    QTest::newRow("packet shorter than its header")
        << QByteArray("\x01\x01\x00\x04\x00\x00\x01\x00", 8) << true;
    QTest::newRow("type change inside a message") << QByteArray(
        "\x01\x00\x00\x09\x00\x00\x01\x00\x41\x03\x01\x00\x09\x00\x00\x01\x00\x41", 18)
                                                  << true;
    QTest::newRow("random bytes after login")
        << QByteArray::fromHex("9f3c00aa17e2b0c4d5e6f70812233445") << true;
}

void tst_SampleServerProtocol::garbageEndsOnlyThatConnection()
{
    QFETCH(QByteArray, garbage);
    QFETCH(bool, afterLogin);

    RawTdsClient bystander;
    QVERIFY(loggedIn(bystander, m_server->port()));
    RawTdsClient intruder;
    if (afterLogin)
        QVERIFY(loggedIn(intruder, m_server->port()));
    else
        QVERIFY(intruder.connectTo("127.0.0.1", m_server->port()));
    QVERIFY(intruder.sendBytes(garbage));
    QVERIFY(intruder.waitForClose());
    const auto result = bystander.query("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY(result && result->decoded);
    QCOMPARE(result->rows(), (QList<QVariantList> {{QVariant(40)}}));
    RawTdsClient newcomer;
    QVERIFY(loggedIn(newcomer, m_server->port()));
}

void tst_SampleServerProtocol::listensOnEveryGivenAddress()
{
    QProcess process;
    const QString log = m_dir.filePath("listen.log");
    process.start(sampleServerPath(),
        {"serve", "--data", m_dir.path(), "--port", "0", "--browser-port", "0", "--listen",
            "127.0.0.1", "--listen", "127.0.1.1", "--log", log});
    QVERIFY(process.waitForStarted(kTimeoutMs));
    QVERIFY(process.waitForReadyRead(kTimeoutMs));
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    QVERIFY2(line.startsWith("listening on 127.0.0.1:"), qPrintable(line));
    const quint16 port = line.section(':', -1).toUShort();
    for (const QString &address : {QString("127.0.0.1"), QString("127.0.1.1")}) {
        RawTdsClient client;
        QVERIFY(client.connectTo(address, port));
        const auto reply = client.login();
        QVERIFY2(reply && !reply->ofType(TdsReply::LoginAck).isEmpty(), qPrintable(address));
    }
    process.terminate();
    QVERIFY(process.waitForFinished(kTimeoutMs));
}

void tst_SampleServerProtocol::refusesBadCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString dir = m_dir.path();
    QTest::newRow("address on a network")
        << QStringList {"--data", dir, "--listen", "192.0.2.10"} << "loopback";
    QTest::newRow("any address") << QStringList {"--data", dir, "--listen", "0.0.0.0"}
                                 << "loopback";
    QTest::newRow("host name") << QStringList {"--data", dir, "--listen", "example.org"}
                               << "loopback";
    QTest::newRow("no data directory") << QStringList {"--port", "0"} << "--data";
    QTest::newRow("missing data directory")
        << QStringList {"--data", dir + "/missing"} << "not a directory";
    QTest::newRow("port out of range")
        << QStringList {"--data", dir, "--port", "70000"} << "--port";
    QTest::newRow("login without password separator")
        << QStringList {"--data", dir, "--login", "sa"} << "USER:PASSWORD";
    QTest::newRow("unknown option") << QStringList {"--data", dir, "--verbose", "1"} << "--verbose";
}

void tst_SampleServerProtocol::refusesBadCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QString output;
    QCOMPARE(serveExitCode(arguments, &output), 2);
    QVERIFY2(output.contains(message), qPrintable(output));
}

QTEST_GUILESS_MAIN(tst_SampleServerProtocol)

#include "tst_sampleserverprotocol.moc"
