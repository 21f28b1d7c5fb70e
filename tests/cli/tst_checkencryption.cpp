#include "CheckProcess.h"
#include "FileModes.h"
#include "MonitoringFixture.h"
#include "TcpRelay.h"
#include "TestCertificates.h"

#include <QtTest>

using namespace tovik::test;

namespace {

const QString password = "S3cret-pw";
const QString nodeName = "core-rtr-01";
const QStringList sweepOptions {"--from", "2026-12-07 13:00:00", "--to", "2026-12-07 15:00:00",
    "--threshold", "50", "--occurrences", "2", "--monitoring", "0-24"};
// The range and setting each command is given.
QStringList commandOptions(const QString &command)
{
    if (command == "run")
        return {"--threshold", "50"};
    if (command == "tune")
        return sweepOptions.mid(0, 4) + sweepOptions.mid(sweepOptions.size() - 2);
    return sweepOptions;
}

// What the sweep gives for the data below, encrypted or not.
const QByteArray csv = "hour,report_id,node_id,node_name,address,count,caught,samples\r\n"
                       "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,3,true,3\r\n";

enum class Served { NoCertificate, Certificate, Forced, Expired };

QStringList installation()
{
    QStringList statements = reportTableStatements()
        << "CREATE TABLE ATR_Nodes (node_id INTEGER, node_name TEXT, address TEXT, trapcomm TEXT)"
        << "INSERT INTO ATR_Nodes VALUES (101, '" + nodeName + "', '192.0.2.1', 'public')"
        << cpuReportRow("7", "'CPU Core Routers'", "300")
        << sampleTableStatement("ATR_Report_7_RAW");
    for (const char *row :
        {"'2026-12-07 13:05:00', 60", "'2026-12-07 13:10:00', 70", "'2026-12-07 13:15:00', 80"})
        statements << QString("INSERT INTO ATR_Report_7_RAW VALUES (101, %1)").arg(row);
    return statements;
}

// Text as TDS carries it.
QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// The password as LOGIN7 carries it: each byte of its UTF-16LE with the nibbles swapped, then
// XOR 0xA5.
QByteArray obfuscatedPassword()
{
    QByteArray bytes = utf16(password);
    for (char &byte : bytes) {
        const auto value = quint8(byte);
        byte = char(quint8((value << 4) | (value >> 4)) ^ 0xA5);
    }
    return bytes;
}

// The encryption the server's log gives the first connection, or "" when it saw none.
QString loggedEncryption(const QList<LoggedRequest> &logged)
{
    for (const LoggedRequest &request : logged) {
        if (request.kind == "PRELOGIN")
            return request.detail.section("encryption=", 1);
    }
    return {};
}

bool sawLogin(const QList<LoggedRequest> &logged)
{
    return std::any_of(logged.cbegin(), logged.cend(),
        [](const LoggedRequest &request) { return request.kind == "LOGIN7"; });
}

} // namespace

class tst_CheckEncryption : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void modes_data();
    void modes();
    void relaySeesOnlyWhatIsInClear_data();
    void relaySeesOnlyWhatIsInClear();

private:
    // A server "host\\INSTANCE" is also found through the SQL Browser's reply.
    bool serve(MonitoringFixture &fixture, Served served, const QString &server = "127.0.0.1");
    QStringList withCertificates(QStringList arguments) const;

    TestCertificates m_certificates;
};

void tst_CheckEncryption::initTestCase()
{
    QString error;
    if (!m_certificates.create(&error))
        QSKIP(qPrintable("no test certificates: " + error));
}

bool tst_CheckEncryption::serve(MonitoringFixture &fixture, Served served, const QString &server)
{
    SampleServer::Options options;
    options.logins = {"sa:" + password};
    options.listen = server.section('\\', 0, 0);
    if (server.contains('\\')) {
        options.instance = server.section('\\', 1);
        options.browser = true;
    }
    if (served != Served::NoCertificate) {
        options.certificate = served == Served::Expired ? m_certificates.expiredCertificate()
                                                        : m_certificates.serverCertificate();
        options.key = m_certificates.serverKey();
        options.forceEncryption = served == Served::Forced;
    }
    return fixture.addDatabase("SNMPCONLINE", installation()) && fixture.startServer(options);
}

QStringList tst_CheckEncryption::withCertificates(QStringList arguments) const
{
    arguments.replaceInStrings(
        QRegularExpression("^OTHER_CA$"), m_certificates.otherCaCertificate());
    arguments.replaceInStrings(QRegularExpression("^CA$"), m_certificates.caCertificate());
    return arguments;
}

void tst_CheckEncryption::modes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<Served>("served");
    QTest::addColumn<QStringList>("arguments");
    // The server's address; the certificates name localhost and 127.0.0.1.
    QTest::addColumn<QString>("server");
    // What the server's log says the connection encrypted, "" for no PRELOGIN at all; "refused"
    // where the connection ends before the login.
    QTest::addColumn<QString>("encrypted");
    // What the line says of the cause, found by the check itself where the driver's text does not
    // say it; "" where it names none.
    QTest::addColumn<QString>("cause");

    const QStringList mandatory {"--encrypt", "mandatory", "--ca-file", "CA"};
    const QString local = "127.0.0.1";
    const QString notSigned = "the server's certificate is not signed by %1; its issuer is "
                              "CN=Tovik Test CA (";
    QTest::newRow("optional, no certificate")
        << "sweep" << Served::NoCertificate << QStringList {} << local << "none"
        << "";
    QTest::newRow("optional, certificate")
        << "sweep" << Served::Certificate << QStringList {} << local << "login only"
        << "";
    QTest::newRow("optional, forced")
        << "sweep" << Served::Forced << QStringList {"--encrypt", "optional"} << local << "full"
        << "";
    QTest::newRow("mandatory, no certificate")
        << "sweep" << Served::NoCertificate << mandatory << local << "refused"
        << "the server offers no encryption (";
    QTest::newRow("tune: mandatory, no certificate")
        << "tune" << Served::NoCertificate << mandatory << local << "refused"
        << "the server offers no encryption (";
    QTest::newRow("run: named instance, no certificate")
        << "run" << Served::NoCertificate << mandatory << "127.0.0.1\\SNMPCONLINE"
        << "refused"
        << "the server offers no encryption (";
    QTest::newRow("run: mandatory, no certificate, trusted")
        << "run" << Served::NoCertificate
        << QStringList {"--encrypt", "mandatory", "--trust-server-certificate"} << local
        << "refused"
        << "the server offers no encryption (";
    QTest::newRow("mandatory, certificate")
        << "sweep" << Served::Certificate << mandatory << local << "full"
        << "";
    QTest::newRow("mandatory, forced") << "sweep" << Served::Forced << mandatory << local << "full"
                                       << "";
    QTest::newRow("mandatory, trusted")
        << "sweep" << Served::Certificate
        << QStringList {"--encrypt", "mandatory", "--trust-server-certificate"} << local << "full"
        << "";
    QTest::newRow("mandatory, server's name given")
        << "sweep" << Served::Certificate
        << mandatory + QStringList {"--host-name-in-certificate", local} << local << "full"
        << "";
    QTest::newRow("strict") << "sweep" << Served::Forced
                            << QStringList {"--encrypt", "strict", "--ca-file", "CA"} << local << ""
                            << "";
    QTest::newRow("run: system authorities")
        << "run" << Served::Certificate << QStringList {"--encrypt", "mandatory"} << local
        << "refused" << notSigned.arg("the system's certificate authorities");
    QTest::newRow("run: another CA")
        << "run" << Served::Certificate
        << QStringList {"--encrypt", "mandatory", "--ca-file", "OTHER_CA"} << local << "refused"
        << notSigned.arg("the certificate authorities in OTHER_CA");
    QTest::newRow("sweep: another CA, forced")
        << "sweep" << Served::Forced
        << QStringList {"--encrypt", "mandatory", "--ca-file", "OTHER_CA"} << local << "refused"
        << notSigned.arg("the certificate authorities in OTHER_CA");
    QTest::newRow("run: expired")
        << "run" << Served::Expired << mandatory << local << "refused"
        << "the server's certificate has expired; it was valid until EXPIRED_END UTC (";
    QTest::newRow("run: another host name")
        << "run" << Served::Certificate << mandatory << "127.0.0.2"
        << "refused"
        << "the name in the server's certificate is not the server's; it is for localhost, "
           "127.0.0.1, not for 127.0.0.2 (";
    QTest::newRow("run: another name asked")
        << "run" << Served::Certificate
        << mandatory + QStringList {"--host-name-in-certificate", "db.example.com"} << local << ""
        << "";
}

void tst_CheckEncryption::modes()
{
    QFETCH(QString, command);
    QFETCH(Served, served);
    QFETCH(QStringList, arguments);
    QFETCH(QString, server);
    QFETCH(QString, encrypted);
    QFETCH(QString, cause);

    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, served, server), qPrintable(fixture.error));
    const QStringList connection = server.contains('\\')
        ? QStringList {command, "--auth", "local", "--server", server}
        : QStringList {command, "--auth", "remote", "--server", server, "--port",
            QString::number(fixture.port())};
    const CheckRun run = runCheck(
        connection + withCertificates(arguments) + commandOptions(command), withPassword(password));

    const QList<LoggedRequest> logged = fixture.server().loggedRequests();
    if (encrypted != "refused" && !encrypted.isEmpty()) {
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, csv);
        QCOMPARE(loggedEncryption(logged), encrypted);
        return;
    }
    QCOMPARE(run.exitCode, 3);
    const QString line = command == "run" ? statusLine(run) : errorLine(run);
    QVERIFY2(line.startsWith("CPU LOAD UNKNOWN - no connection to " + server), qPrintable(line));
    QVERIFY2(line.contains("FreeTDS"), qPrintable(line));
    // The driver's text rarely names the certificate; the line says what was asked of it.
    if (!arguments.contains("--trust-server-certificate")
        && (arguments.contains("mandatory") || arguments.contains("strict")))
        QVERIFY2(
            line.contains(" encryption with the certificate checked against "), qPrintable(line));
    const QString expectedCause
        = QString(cause)
              .replace("OTHER_CA", m_certificates.otherCaCertificate())
              .replace("EXPIRED_END", m_certificates.endDate(m_certificates.expiredCertificate()));
    QVERIFY2(cause.isEmpty() || line.contains(": " + expectedCause), qPrintable(line));
    QVERIFY(!sawLogin(logged));
    if (encrypted.isEmpty())
        QCOMPARE(loggedEncryption(logged), QString());
}

void tst_CheckEncryption::relaySeesOnlyWhatIsInClear_data()
{
    QTest::addColumn<Served>("served");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("passwordInClear");
    QTest::addColumn<bool>("queriesInClear");

    QTest::newRow("optional, no certificate")
        << Served::NoCertificate << QStringList {} << true << true;
    QTest::newRow("optional, certificate: the login")
        << Served::Certificate << QStringList {} << false << true;
    QTest::newRow("mandatory: everything")
        << Served::Certificate << QStringList {"--encrypt", "mandatory", "--ca-file", "CA"} << false
        << false;
}

// The relay is the eavesdropper: it sees the obfuscated LOGIN7 password, the SQL texts (UTF-16LE)
// and the node names in the results only where they travel in clear. The unencrypted row shows
// that the search finds them.
void tst_CheckEncryption::relaySeesOnlyWhatIsInClear()
{
    QFETCH(Served, served);
    QFETCH(QStringList, arguments);
    QFETCH(bool, passwordInClear);
    QFETCH(bool, queriesInClear);

    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, served), qPrintable(fixture.error));
    const TcpRelay relay(fixture.port());
    QVERIFY(relay.port() != 0);
    const CheckRun run = runCheck(QStringList {"sweep", "--auth", "remote", "--server", "127.0.0.1",
                                      "--port", QString::number(relay.port())}
            + withCertificates(arguments) + sweepOptions,
        withPassword(password));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, csv);

    const QByteArray sent = relay.fromClient();
    const QByteArray received = relay.fromServer();
    QVERIFY(!sent.isEmpty() && !received.isEmpty());
    QCOMPARE(sent.contains(obfuscatedPassword()), passwordInClear);
    QCOMPARE(sent.contains(utf16("ATR_Nodes")), queriesInClear);
    QCOMPARE(received.contains(utf16(nodeName)), queriesInClear);
}

QTEST_GUILESS_MAIN(tst_CheckEncryption)
#include "tst_checkencryption.moc"
