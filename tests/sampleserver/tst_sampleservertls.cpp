#include "DirectSqlite.h"
#include "OdbcSession.h"
#include "SampleData.h"
#include "SampleServer.h"
#include "TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace tovik::test;

namespace {

const QString kQuery = "SELECT node_id, node_name, address FROM ATR_Nodes ORDER BY node_id";
const QString kFreeTdsSection = "tovik-tls";
constexpr int kClientTimeoutMs = 30000;

enum class Setting { NoCertificate, Certificate, Forced };

struct ClientRun
{
    bool succeeded = false;
    QList<QStringList> rows;
    QString errors;
};

// Each line of the output a JSON array of texts.
QList<QStringList> parsedRows(const QByteArray &output)
{
    QList<QStringList> rows;
    for (const QByteArray &line : output.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QStringList row;
        for (const QJsonValue &value : QJsonDocument::fromJson(line).array())
            row << (value.isNull() ? QString() : value.toString());
        rows << row;
    }
    return rows;
}

ClientRun runClient(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ClientRun run;
    if (!process.waitForStarted(kClientTimeoutMs) || !process.waitForFinished(kClientTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.errors = program + " did not finish: " + process.errorString();
        return run;
    }
    run.succeeded = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    run.rows = parsedRows(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// What the server says its last connection encrypts: "none", "login only", "full", ...
QString loggedEncryption(const SampleServer &server)
{
    QString mode;
    for (const LoggedRequest &request : server.loggedRequests()) {
        if (request.kind == "PRELOGIN")
            mode = request.detail.section("encryption=", 1);
    }
    return mode;
}

bool loggedKind(const SampleServer &server, const QString &kind)
{
    const QList<LoggedRequest> requests = server.loggedRequests();
    return std::any_of(requests.begin(), requests.end(),
        [&kind](const LoggedRequest &request) { return request.kind == kind; });
}

} // namespace

class tst_SampleServerTls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void freetdsFollowsEncryptionTable_data();
    void freetdsFollowsEncryptionTable();
    void freetdsChecksServerCertificate_data();
    void freetdsChecksServerCertificate();
    void pytdsLogsIn_data();
    void pytdsLogsIn();
    void tediousLogsIn_data();
    void tediousLogsIn();
    void serveRefusesUnusableTlsOptions_data();
    void serveRefusesUnusableTlsOptions();

private:
    std::unique_ptr<SampleServer> startServer(Setting setting, const QString &certificate = {});
    QString freetdsConf(quint16 port, const QString &caFile) const;
    void verifyClient(const SampleServer &server, const ClientRun &run, bool connects,
        const QString &mode, const QString &closedAs);

    QTemporaryDir m_dir;
    QString m_dataDir;
    TestCertificates m_certificates;
    QList<QStringList> m_expected;
};

void tst_SampleServerTls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_dataDir = m_dir.filePath("data");
    QString error;
    QVERIFY2(
        generateSampleData(m_dataDir,
            {"--nodes", "12", "--hours", "1", "--reports", "1", "--end", "2026-12-07 14:30:00"},
            &error),
        qPrintable(error));
    QVERIFY2(m_certificates.create(&error), qPrintable(error));
    const auto rows = DirectSqlite::rows(QDir(m_dataDir).filePath("SNMPCONLINE.sqlite"), kQuery);
    QVERIFY(rows);
    m_expected = DirectSqlite::texts(*rows);
    QCOMPARE(m_expected.size(), 12);
}

void tst_SampleServerTls::cleanup()
{
    qunsetenv("FREETDSCONF");
}

std::unique_ptr<SampleServer> tst_SampleServerTls::startServer(
    Setting setting, const QString &certificate)
{
    SampleServer::Options options;
    options.dataDir = m_dataDir;
    if (setting != Setting::NoCertificate) {
        options.certificate
            = certificate.isEmpty() ? m_certificates.serverCertificate() : certificate;
        options.key = m_certificates.serverKey();
    }
    options.forceEncryption = setting == Setting::Forced;
    return SampleServer::started(options);
}

// A freetds.conf whose section requires encryption and checks the certificate and host name:
// the only way to give FreeTDS 1.3 a CA from a DSN-less ODBC string.
QString tst_SampleServerTls::freetdsConf(quint16 port, const QString &caFile) const
{
    const QString path = m_dir.filePath("freetds.conf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(QString("[%1]\n\thost = 127.0.0.1\n\tport = %2\n\ttds version = 7.4\n"
                       "\tencryption = require\n\tca file = %3\n"
                       "\tcheck certificate hostname = yes\n")
                   .arg(kFreeTdsSection)
                   .arg(port)
                   .arg(caFile)
                   .toUtf8());
    return path;
}

void tst_SampleServerTls::verifyClient(const SampleServer &server, const ClientRun &run,
    bool connects, const QString &mode, const QString &closedAs)
{
    QVERIFY2(run.succeeded == connects, qPrintable(run.errors));
    if (connects)
        QCOMPARE(run.rows, m_expected);
    QCOMPARE(loggedEncryption(server), mode);
    // The server writes its line when it sees the client go, which may come after the client's
    // exit.
    if (!closedAs.isEmpty())
        QTRY_VERIFY2(loggedKind(server, closedAs), qPrintable(server.logText()));
}

// FreeTDS sends Encryption=off as NOT_SUP, request as OFF, require as ON.
void tst_SampleServerTls::freetdsFollowsEncryptionTable_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QString>("encryption");
    QTest::addColumn<QString>("mode");

    QTest::newRow("no certificate, off") << Setting::NoCertificate << "off"
                                         << "none";
    QTest::newRow("no certificate, request") << Setting::NoCertificate << "request"
                                             << "none";
    QTest::newRow("no certificate, require") << Setting::NoCertificate << "require"
                                             << "refused";
    QTest::newRow("certificate, off") << Setting::Certificate << "off"
                                      << "none";
    QTest::newRow("certificate, request") << Setting::Certificate << "request"
                                          << "login only";
    QTest::newRow("certificate, require") << Setting::Certificate << "require"
                                          << "full";
    QTest::newRow("forced, off") << Setting::Forced << "off"
                                 << "refused";
    QTest::newRow("forced, request") << Setting::Forced << "request"
                                     << "full";
    QTest::newRow("forced, require") << Setting::Forced << "require"
                                     << "full";
}

void tst_SampleServerTls::freetdsFollowsEncryptionTable()
{
    QFETCH(Setting, setting);
    QFETCH(QString, encryption);
    QFETCH(QString, mode);
    const auto server = startServer(setting);
    QVERIFY(server);
    OdbcSession session(OdbcSession::portServer(server->port()));
    session.database().setDatabaseName(
        OdbcSession::connectionString(
            OdbcSession::portServer(server->port()), "SNMPCONLINE", "sa", QString())
        + "Encryption=" + encryption + ";");

    const bool refused = mode == "refused";
    QCOMPARE(session.open(), !refused);
    QCOMPARE(loggedEncryption(*server), mode);
    if (refused)
        return;
    const auto rows = session.rows(kQuery);
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(DirectSqlite::texts(*rows), m_expected);
    // The session lives on after the login, in plaintext too after a login-only exchange.
    QVERIFY(session.rows("SELECT COUNT(*) FROM ATR_Nodes"));
}

void tst_SampleServerTls::freetdsChecksServerCertificate_data()
{
    QTest::addColumn<QString>("certificate");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<bool>("connects");

    QTest::newRow("signed by the trusted CA")
        << m_certificates.serverCertificate() << m_certificates.caCertificate() << true;
    QTest::newRow("signed by another CA")
        << m_certificates.serverCertificate() << m_certificates.otherCaCertificate() << false;
    QTest::newRow("expired") << m_certificates.expiredCertificate()
                             << m_certificates.caCertificate() << false;
}

void tst_SampleServerTls::freetdsChecksServerCertificate()
{
    QFETCH(QString, certificate);
    QFETCH(QString, caFile);
    QFETCH(bool, connects);
    const auto server = startServer(Setting::Certificate, certificate);
    QVERIFY(server);
    const QString conf = freetdsConf(server->port(), caFile);
    QVERIFY(!conf.isEmpty());
    qputenv("FREETDSCONF", QFile::encodeName(conf));
    OdbcSession session(OdbcSession::portServer(server->port()));
    session.database().setDatabaseName(
        "DRIVER={FreeTDS};Servername=" + kFreeTdsSection + ";DATABASE=SNMPCONLINE;UID=sa;PWD={};");

    QCOMPARE(session.open(), connects);
    QCOMPARE(loggedEncryption(*server), QString("full"));
    if (!connects) {
        QTRY_VERIFY2(loggedKind(*server, "TLS"), qPrintable(server->logText()));
        QVERIFY(!loggedKind(*server, "LOGIN7"));
        return;
    }
    const auto rows = session.rows(kQuery);
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(DirectSqlite::texts(*rows), m_expected);
}

// pytds checks the host name (localhost) against the certificate; for TDS 8.0 the script makes
// the TLS connection with Python's ssl module and hands it to pytds.
void tst_SampleServerTls::pytdsLogsIn_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("closedAs");

    const QString ca = m_certificates.caCertificate();
    QTest::newRow("whole connection")
        << Setting::Certificate << QStringList {"--cafile", ca} << true << "full"
        << "";
    QTest::newRow("login only") << Setting::Certificate
                                << QStringList {"--cafile", ca, "--login-only"} << true
                                << "login only"
                                << "";
    QTest::newRow("login only, forced")
        << Setting::Forced << QStringList {"--cafile", ca, "--login-only"} << true << "full"
        << "";
    QTest::newRow("another CA") << Setting::Certificate
                                << QStringList {"--cafile", m_certificates.otherCaCertificate()}
                                << false << "full"
                                << "TLS";
    QTest::newRow("no encryption, forced") << Setting::Forced << QStringList() << false << "refused"
                                           << "";
    // pytds sends NOT_SUP inside a strict connection, which is encrypted all the same.
    QTest::newRow("strict") << Setting::Certificate << QStringList {"--strict", "--cafile", ca}
                            << true << "strict"
                            << "";
    QTest::newRow("strict, forced")
        << Setting::Forced << QStringList {"--strict", "--cafile", ca} << true << "strict"
        << "";
    QTest::newRow("strict, another CA")
        << Setting::Certificate
        << QStringList {"--strict", "--cafile", m_certificates.otherCaCertificate()} << false << ""
        << "TLS";
}

void tst_SampleServerTls::pytdsLogsIn()
{
    QFETCH(Setting, setting);
    QFETCH(QStringList, options);
    QFETCH(bool, connects);
    QFETCH(QString, mode);
    QFETCH(QString, closedAs);
    const auto server = startServer(setting);
    QVERIFY(server);

    const QString script
        = qEnvironmentVariable("TOVIK_SOURCE_DIR") + "/tests/sampleserver/tls_client_pytds.py";
    const ClientRun run = runClient(qEnvironmentVariable("TOVIK_PYTHON"),
        QStringList {script, "--port", QString::number(server->port()), "--query", kQuery}
            + options);
    verifyClient(*server, run, connects, mode, closedAs);
}

void tst_SampleServerTls::tediousLogsIn_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QString>("encrypt");
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("closedAs");

    const QString ca = m_certificates.caCertificate();
    QTest::newRow("encrypt") << Setting::Certificate << "true" << ca << true << "full"
                             << "";
    QTest::newRow("strict") << Setting::Certificate << "strict" << ca << true << "strict"
                            << "";
    // tedious sends NOT_SUP inside a strict connection, which is encrypted all the same.
    QTest::newRow("strict, forced") << Setting::Forced << "strict" << ca << true << "strict"
                                    << "";
    QTest::newRow("strict, another CA")
        << Setting::Certificate << "strict" << m_certificates.otherCaCertificate() << false << ""
        << "TLS";
    QTest::newRow("encrypt, no certificate")
        << Setting::NoCertificate << "true" << ca << false << "refused"
        << "";
    QTest::newRow("strict, no certificate")
        << Setting::NoCertificate << "strict" << ca << false << ""
        << "GARBAGE";
    QTest::newRow("no encryption, forced") << Setting::Forced << "false" << ca << false << "refused"
                                           << "";
}

void tst_SampleServerTls::tediousLogsIn()
{
    QFETCH(Setting, setting);
    QFETCH(QString, encrypt);
    QFETCH(QString, caFile);
    QFETCH(bool, connects);
    QFETCH(QString, mode);
    QFETCH(QString, closedAs);
    const QString node = qEnvironmentVariable("TOVIK_NODE");
    const QString modules = qEnvironmentVariable("TOVIK_TEDIOUS_DIR") + "/node_modules";
    if (node.isEmpty() || !QFile::exists(modules + "/tedious/package.json")) {
        QSKIP(qPrintable("tedious is not installed in " + modules
            + " (Node.js and npm with network access install it before this test)"));
    }
    const auto server = startServer(setting);
    QVERIFY(server);

    qputenv("NODE_PATH", QFile::encodeName(modules));
    const QString script
        = qEnvironmentVariable("TOVIK_SOURCE_DIR") + "/tests/sampleserver/tls_client_tedious.js";
    const ClientRun run
        = runClient(node, {script, QString::number(server->port()), encrypt, caFile, kQuery});
    verifyClient(*server, run, connects, mode, closedAs);
}

void tst_SampleServerTls::serveRefusesUnusableTlsOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString certificate = m_certificates.serverCertificate();
    const QString key = m_certificates.serverKey();
    QTest::newRow("certificate without key")
        << QStringList {"--certificate", certificate} << 2 << "--certificate and --key go together";
    QTest::newRow("forced without certificate") << QStringList {
        "--force-encryption"} << 2 << "--force-encryption needs --certificate and --key";
    QTest::newRow("missing certificate")
        << QStringList {"--certificate", m_dir.filePath("missing.pem"), "--key", key} << 1
        << "cannot use the certificate " + m_dir.filePath("missing.pem")
            + ": No such file or directory";
    QTest::newRow("key not a key") << QStringList {"--certificate", certificate, "--key",
        certificate} << 1 << "cannot use the key " + certificate;
    QTest::newRow("key of another certificate")
        << QStringList {"--certificate", m_certificates.caCertificate(), "--key", key} << 1
        << "cannot use the key " + key + ": key values mismatch";
}

void tst_SampleServerTls::serveRefusesUnusableTlsOptions()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QProcess process;
    process.start(sampleServerPath(),
        QStringList {"serve", "--data", m_dataDir, "--port", "0", "--browser-port", "0"} + options);
    QVERIFY(process.waitForFinished(kClientTimeoutMs));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(errors.startsWith("tovik-sample-server: " + message), qPrintable(errors));
}

QTEST_GUILESS_MAIN(tst_SampleServerTls)
#include "tst_sampleservertls.moc"
