#include "TestCertificates.h"
#include "TlsContext.h"

#include <QFile>
#include <QTest>
#include <openssl/ssl.h>

using namespace tovik::sampleserver;
using tovik::test::TestCertificates;

Q_DECLARE_METATYPE(TlsSession::Framing)

namespace {

constexpr int kMaxHandshakeRounds = 10;

ByteView view(const QByteArray &bytes)
{
    return ByteView(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
        static_cast<std::size_t>(bytes.size()));
}

QByteArray bytes(const Bytes &data)
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
}

// An OpenSSL client over memory buffers, offering every version up to TLS 1.3 and checking the
// server's certificate for localhost against the test CA.
class MemoryClient
{
public:
    MemoryClient(const QString &caFile, const QByteArray &alpnOffer)
        : m_context(SSL_CTX_new(TLS_client_method()))
    {
        SSL_CTX_set_max_proto_version(m_context, TLS1_3_VERSION);
        SSL_CTX_load_verify_locations(m_context, QFile::encodeName(caFile).constData(), nullptr);
        SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
        m_ssl = SSL_new(m_context);
        SSL_set1_host(m_ssl, "localhost");
        if (!alpnOffer.isEmpty()) {
            SSL_set_alpn_protos(m_ssl, reinterpret_cast<const unsigned char *>(alpnOffer.data()),
                static_cast<unsigned int>(alpnOffer.size()));
        }
        m_incoming = BIO_new(BIO_s_mem());
        m_outgoing = BIO_new(BIO_s_mem());
        BIO_set_mem_eof_return(m_incoming, -1);
        SSL_set_bio(m_ssl, m_incoming, m_outgoing);
        SSL_set_connect_state(m_ssl);
    }
    ~MemoryClient()
    {
        SSL_free(m_ssl);
        SSL_CTX_free(m_context);
    }
    MemoryClient(const MemoryClient &) = delete;
    MemoryClient &operator=(const MemoryClient &) = delete;

    bool handshake() { return SSL_do_handshake(m_ssl) == 1; }
    void feed(const Bytes &data)
    {
        if (!data.empty())
            BIO_write(m_incoming, data.data(), static_cast<int>(data.size()));
    }
    QByteArray takeOutgoing()
    {
        QByteArray data(qsizetype(BIO_ctrl_pending(m_outgoing)), '\0');
        if (!data.isEmpty())
            BIO_read(m_outgoing, data.data(), static_cast<int>(data.size()));
        return data;
    }
    void write(const QByteArray &plaintext)
    {
        SSL_write(m_ssl, plaintext.constData(), static_cast<int>(plaintext.size()));
    }
    QByteArray read()
    {
        QByteArray data(16 * 1024, '\0');
        const int count = SSL_read(m_ssl, data.data(), static_cast<int>(data.size()));
        return data.left(qMax(0, count));
    }
    bool verified() const { return SSL_get_verify_result(m_ssl) == X509_V_OK; }

private:
    SSL_CTX *m_context;
    SSL *m_ssl = nullptr;
    BIO *m_incoming = nullptr;
    BIO *m_outgoing = nullptr;
};

// Moves the flights between the two sides until both have finished the handshake.
bool shakeHands(MemoryClient &client, TlsSession &server)
{
    bool clientDone = false;
    TlsSession::Handshake serverState = TlsSession::Handshake::InProgress;
    for (int round = 0; round < kMaxHandshakeRounds; ++round) {
        clientDone = client.handshake();
        server.feed(view(client.takeOutgoing()));
        if (serverState != TlsSession::Handshake::Done)
            serverState = server.continueHandshake();
        client.feed(server.takeOutgoing());
        if (serverState == TlsSession::Handshake::Failed)
            return false;
        if (clientDone && serverState == TlsSession::Handshake::Done)
            return true;
    }
    return false;
}

} // namespace

// The server's TLS session driven by an in-process client, for what no driver lets a test see:
// the version and application protocol agreed, and the bytes left after a record.
class tst_SampleServerTlsSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void agreesOnVersionAndProtocol_data();
    void agreesOnVersionAndProtocol();
    void leavesTheBytesAfterARecordUnread();
    void refusesBrokenRecords();

private:
    std::unique_ptr<TlsSession> establishedSession(MemoryClient &client);

    TestCertificates m_certificates;
    TlsContext m_context;
};

void tst_SampleServerTlsSession::initTestCase()
{
    QString error;
    QVERIFY2(m_certificates.create(&error), qPrintable(error));
    const auto loadError = m_context.load(
        m_certificates.serverCertificate().toStdString(), m_certificates.serverKey().toStdString());
    QVERIFY2(!loadError, loadError ? loadError->c_str() : "");
}

std::unique_ptr<TlsSession> tst_SampleServerTlsSession::establishedSession(MemoryClient &client)
{
    auto server = m_context.newSession(TlsSession::Framing::Tds7);
    if (!server || !shakeHands(client, *server))
        return nullptr;
    return server;
}

void tst_SampleServerTlsSession::agreesOnVersionAndProtocol_data()
{
    QTest::addColumn<TlsSession::Framing>("framing");
    QTest::addColumn<QByteArray>("alpnOffer");
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QString>("applicationProtocol");

    // TLS 1.3 does not survive being wrapped in PRELOGIN packets by the clients.
    QTest::newRow("wrapped in PRELOGIN") << TlsSession::Framing::Tds7 << QByteArray() << "TLSv1.2"
                                         << "";
    QTest::newRow("strict") << TlsSession::Framing::Strict << QByteArray("\x07tds/8.0") << "TLSv1.3"
                            << "tds/8.0";
    QTest::newRow("strict, tds/8.0 second")
        << TlsSession::Framing::Strict << QByteArray("\x02h2\x07tds/8.0") << "TLSv1.3"
        << "tds/8.0";
    QTest::newRow("strict, other protocols only")
        << TlsSession::Framing::Strict << QByteArray("\x02h2\x08http/1.1") << "TLSv1.3"
        << "";
}

void tst_SampleServerTlsSession::agreesOnVersionAndProtocol()
{
    QFETCH(TlsSession::Framing, framing);
    QFETCH(QByteArray, alpnOffer);
    QFETCH(QString, protocol);
    QFETCH(QString, applicationProtocol);
    MemoryClient client(m_certificates.caCertificate(), alpnOffer);
    const auto server = m_context.newSession(framing);
    QVERIFY(server);

    QVERIFY2(shakeHands(client, *server), server->failure().c_str());
    QVERIFY(client.verified());
    QCOMPARE(QString::fromStdString(server->protocol()), protocol);
    QCOMPARE(QString::fromStdString(server->applicationProtocol()), applicationProtocol);
    client.write("PRELOGIN");
    server->feed(view(client.takeOutgoing()));
    const auto request = server->readRecord();
    QVERIFY(request);
    QCOMPARE(bytes(*request), QByteArray("PRELOGIN"));
    server->write(view("reply"));
    client.feed(server->takeOutgoing());
    QCOMPARE(client.read(), QByteArray("reply"));
}

// A login-only client sends its LOGIN7 in one record and goes on in plaintext: what follows the
// record must come out of the session untouched.
void tst_SampleServerTlsSession::leavesTheBytesAfterARecordUnread()
{
    MemoryClient client(m_certificates.caCertificate(), {});
    const auto server = establishedSession(client);
    QVERIFY(server);
    client.write("LOGIN7");
    const QByteArray plaintext("\x01\x01\x00\x10\x00\x00\x01\x00SELECT 1", 16);
    server->feed(view(client.takeOutgoing() + plaintext));

    const auto login = server->readRecord();
    QVERIFY(login);
    QCOMPARE(bytes(*login), QByteArray("LOGIN7"));
    QCOMPARE(bytes(server->takeUnread()), plaintext);
}

void tst_SampleServerTlsSession::refusesBrokenRecords()
{
    MemoryClient client(m_certificates.caCertificate(), {});
    const auto server = establishedSession(client);
    QVERIFY(server);
    client.write("LOGIN7");
    QByteArray record = client.takeOutgoing();
    record[record.size() - 1] = static_cast<char>(record.back() ^ 0x01);
    server->feed(view(record.left(record.size() - 1)));
    const auto incomplete = server->readRecord();
    QVERIFY(incomplete);
    QVERIFY(incomplete->empty());
    server->feed(view(record.right(1)));

    QVERIFY(!server->readRecord());
    QVERIFY(!server->failure().empty());
}

QTEST_GUILESS_MAIN(tst_SampleServerTlsSession)
#include "tst_sampleservertlssession.moc"
