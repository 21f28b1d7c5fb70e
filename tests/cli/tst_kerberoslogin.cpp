#include "CheckProcess.h"
#include "KerberosRealm.h"
#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "TestCertificates.h"

#include <QtTest>

using namespace tovik::test;

namespace {

const QString password = "S3cret-pw";
const QStringList runOptions {
    "--at", "2026-12-07 14:00:00", "--threshold", "50", "--occurrences", "2", "--run-log", "-"};
const QStringList sweepOptions {"--from", "2026-12-07 13:00:00", "--to", "2026-12-07 15:00:00",
    "--threshold", "50", "--occurrences", "2", "--monitoring", "0-24"};
const QStringList tuneOptions {"--from", "2026-12-07 13:00:00", "--to", "2026-12-07 15:00:00",
    "--monitoring", "0-24", "--thresholds", "50-70/10", "--occurrences-up-to", "3"};

enum class Failure {
    NoTicket,
    ExpiredTicket,
    PrincipalNotAccepted,
    UnknownRealm,
    NoServicePrincipal
};

QStringList installation()
{
    QStringList statements = reportTableStatements()
        << cpuReportRow("7", "'CPU Core Routers'", "300") << nodesTableStatement()
        << nodeRow(101, "core-rtr-01", "192.0.2.1", "public")
        << nodeRow(102, "edge-sw-02", "192.0.2.2", "public")
        << sampleTableStatement("ATR_Report_7_RAW");
    for (const char *row : {"101, '2026-12-07 13:05:00', 60", "101, '2026-12-07 13:10:00', 70",
             "101, '2026-12-07 13:15:00', 80", "102, '2026-12-07 13:20:00', 55",
             "102, '2026-12-07 14:20:00', 65"})
        statements << QString("INSERT INTO ATR_Report_7_RAW VALUES (%1)").arg(row);
    return statements;
}

QString servicePrincipal(quint16 port)
{
    return "MSSQLSvc/localhost:" + QString::number(port);
}

} // namespace

// Windows Authentication of the check through FreeTDS and a real KDC: a login with a Kerberos
// ticket works like a SQL login, and each way it fails says what to mend.
class tst_KerberosLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void windowsLoginAnswersAsSqlLogin_data();
    void windowsLoginAnswersAsSqlLogin();
    void failuresSayWhatToDo_data();
    void failuresSayWhatToDo();
    void serveRefusesUnusableKerberosOptions_data();
    void serveRefusesUnusableKerberosOptions();
    void pytdsLogsInWithTheSameTicket_data();
    void pytdsLogsInWithTheSameTicket();

private:
    bool serve(MonitoringFixture &fixture, bool withServicePrincipal = true, bool browser = false,
        bool certificate = false);
    static QStringList windowsConnection(const QString &command, quint16 port, bool browser);

    std::unique_ptr<KerberosRealm> m_realm;
    TestCertificates m_certificates;
};

void tst_KerberosLogin::initTestCase()
{
    const QString unavailable = KerberosRealm::unavailableReason();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable("no Kerberos realm here: " + unavailable));
    m_realm = std::make_unique<KerberosRealm>();
    QString error;
    QVERIFY2(m_realm->start(&error), qPrintable(error));
}

void tst_KerberosLogin::init()
{
    QString error;
    QVERIFY2(m_realm->obtainTicket(KerberosRealm::kUser, &error), qPrintable(error));
}

bool tst_KerberosLogin::serve(
    MonitoringFixture &fixture, bool withServicePrincipal, bool browser, bool certificate)
{
    SampleServer::Options options;
    options.browser = browser;
    if (certificate) {
        if (!m_certificates.create(&fixture.error))
            return false;
        options.certificate = m_certificates.serverCertificate();
        options.key = m_certificates.serverKey();
    }
    options.logins = {"sa:" + password};
    options.kerberosKeytab = m_realm->keytab();
    options.windowsLogins = {m_realm->principal(KerberosRealm::kUser)};
    if (!fixture.addDatabase("SNMPCONLINE", installation()) || !fixture.startServer(options))
        return false;
    return !withServicePrincipal
        || m_realm->addService(servicePrincipal(fixture.port()), &fixture.error);
}

// "localhost,PORT", or through the Browser "localhost\SNMPCONLINE": either way FreeTDS asks for
// the service principal MSSQLSvc/localhost:PORT.
QStringList tst_KerberosLogin::windowsConnection(const QString &command, quint16 port, bool browser)
{
    const QString server
        = browser ? "localhost\\SNMPCONLINE" : "localhost," + QString::number(port);
    return {command, "--auth", "windows", "--server", server};
}

void tst_KerberosLogin::windowsLoginAnswersAsSqlLogin_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    // Through the SQL Browser reply on UDP 1434.
    QTest::addColumn<bool>("browser");
    // A server with a certificate: the LOGIN7 and its token travel encrypted, the rest in clear.
    QTest::addColumn<bool>("certificate");

    QTest::newRow("run") << "run" << runOptions << 2 << false << false;
    QTest::newRow("sweep") << "sweep" << sweepOptions << 0 << false << false;
    QTest::newRow("tune") << "tune" << tuneOptions << 0 << false << false;
    QTest::newRow("sweep, instance through the Browser")
        << "sweep" << sweepOptions << 0 << true << false;
    QTest::newRow("sweep, login encrypted") << "sweep" << sweepOptions << 0 << false << true;
}

void tst_KerberosLogin::windowsLoginAnswersAsSqlLogin()
{
    QFETCH(QString, command);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(bool, browser);
    QFETCH(bool, certificate);

    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, true, browser, certificate), qPrintable(fixture.error));
    const QString port = QString::number(fixture.port());
    const CheckRun sql = runCheck(
        QStringList {command, "--auth", "remote", "--server", "127.0.0.1", "--port", port}
            + options,
        withPassword(password));
    const CheckRun windows
        = runCheck(windowsConnection(command, fixture.port(), browser) + options);

    QCOMPARE(sql.exitCode, exitCode);
    QCOMPARE(windows.exitCode, exitCode);
    QVERIFY(!sql.out.isEmpty());
    // The run log names the connection it made; all else is the same.
    const auto withoutConnection = [](const QByteArray &out) {
        static const QRegularExpression connection("(Connect OK to|Disconnect OK from) [^\\r]*");
        return withoutTimings(QString::fromUtf8(out)).replace(connection, "\\1 <connection>");
    };
    QCOMPARE(withoutConnection(windows.out), withoutConnection(sql.out));
    const QString log = fixture.server().logText();
    QVERIFY2(log.contains("LOGIN7 integrated database=SNMPCONLINE"), qPrintable(log));
    QVERIFY2(log.contains("SSPI principal=alice@TOVIK.TEST\n"), qPrintable(log));
    QCOMPARE(log.contains("encryption=login only"), certificate);
}

void tst_KerberosLogin::failuresSayWhatToDo_data()
{
    QTest::addColumn<Failure>("failure");
    // %1 stands for the server's port.
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("browser");

    QTest::newRow("no ticket") << Failure::NoTicket
                               << "(no Kerberos ticket found: Windows Authentication needs one, "
                                  "from kinit)"
                               << false;
    QTest::newRow("expired ticket")
        << Failure::ExpiredTicket << "(the Kerberos ticket of alice@TOVIK.TEST ended at " << false;
    QTest::newRow("principal not accepted")
        << Failure::PrincipalNotAccepted
        << "Login failed. The login is from an untrusted domain and cannot be used with "
           "Integrated authentication."
        << false;
    QTest::newRow("realm unknown to the KDC")
        << Failure::UnknownRealm << "MSSQLSvc/localhost:%1@OTHER.TEST" << false;
    QTest::newRow("no service principal")
        << Failure::NoServicePrincipal
        << "Server MSSQLSvc/localhost:%1@TOVIK.TEST not found in Kerberos database" << false;
    // The port in the principal is the one the Browser named.
    QTest::newRow("no service principal, instance through the Browser")
        << Failure::NoServicePrincipal
        << "Server MSSQLSvc/localhost:%1@TOVIK.TEST not found in Kerberos database" << true;
}

void tst_KerberosLogin::failuresSayWhatToDo()
{
    QFETCH(Failure, failure);
    QFETCH(QString, says);
    QFETCH(bool, browser);

    MonitoringFixture fixture;
    QVERIFY2(
        serve(fixture, failure != Failure::NoServicePrincipal, browser), qPrintable(fixture.error));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString error;
    switch (failure) {
    case Failure::NoTicket:
        m_realm->destroyTickets();
        break;
    case Failure::ExpiredTicket:
        QVERIFY2(m_realm->obtainTicket(KerberosRealm::kUser, &error, "1s"), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(m_realm->ticketExpired(), 10000);
        break;
    case Failure::PrincipalNotAccepted:
        QVERIFY2(m_realm->obtainTicket(KerberosRealm::kOtherUser, &error), qPrintable(error));
        break;
    case Failure::UnknownRealm:
        environment.insert("KRB5_CONFIG", m_realm->foreignRealmConfig());
        break;
    case Failure::NoServicePrincipal:
        break;
    }

    const QStringList arguments
        = windowsConnection("sweep", fixture.port(), browser) + sweepOptions;
    CheckRun run = runCheck(arguments, environment);
    // The KDC takes a ticket for its clock skew (a second here) after it ended.
    if (failure == Failure::ExpiredTicket)
        QTRY_VERIFY_WITH_TIMEOUT((run = runCheck(arguments, environment)).exitCode != 0, 10000);

    QCOMPARE(run.exitCode, 3);
    const QString line = errorLine(run);
    const QString target = browser
        ? "no connection to localhost\\SNMPCONLINE through the SQL Server Browser on UDP 1434"
        : "no connection to localhost:" + QString::number(fixture.port());
    // The ticket's holder is named where there is a ticket.
    const QString holder = failure == Failure::NoTicket ? QString()
        : failure == Failure::PrincipalNotAccepted      ? " as bob@TOVIK.TEST"
                                                        : " as alice@TOVIK.TEST";
    const QString prefix = "CPU LOAD UNKNOWN - " + target + " with Windows Authentication" + holder;
    QVERIFY2(line.startsWith(prefix) && QString(" :").contains(line.at(prefix.size())),
        qPrintable(line));
    QVERIFY2(line.contains(QString(says).replace("%1", QString::number(fixture.port()))),
        qPrintable(line));
    // Only the server can refuse a principal; the other failures end in the client. Runs of
    // the expired ticket that the KDC still took may have logged in.
    if (failure != Failure::ExpiredTicket) {
        const bool loginSent = failure == Failure::PrincipalNotAccepted;
        QCOMPARE(fixture.server().logText().contains("LOGIN7 integrated"), loginSent);
    }
}

void tst_KerberosLogin::serveRefusesUnusableKerberosOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("principal without keytab") << QStringList {"--windows-login", "alice@TOVIK.TEST"}
                                              << 2 << "--windows-login needs --kerberos-keytab";
    QTest::newRow("missing keytab") << QStringList {"--kerberos-keytab", "/nonexistent/keytab"} << 1
                                    << "cannot use the keytab /nonexistent/keytab: ";
}

void tst_KerberosLogin::serveRefusesUnusableKerberosOptions()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    MonitoringFixture fixture;
    QProcess process;
    process.start(sampleServerPath(),
        QStringList {"serve", "--data", fixture.dataDir(), "--port", "0", "--browser-port", "0"}
            + options);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(errors.startsWith("tovik-sample-server: " + message), qPrintable(errors));
}

void tst_KerberosLogin::pytdsLogsInWithTheSameTicket_data()
{
    QTest::addColumn<QString>("auth");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QString>("logged");

    // The kerberos module asks for mutual authentication: the server's AP-REP comes back
    // before the LOGINACK.
    QTest::newRow("the check's ticket")
        << "pytds.login.KerberosAuth('MSSQLSvc/localhost:%d@TOVIK.TEST' % port)"
        << "core-rtr-01,edge-sw-02"
        << "SSPI principal=alice@TOVIK.TEST\n";
    QTest::newRow("token that does not verify") << "Forged()"
                                                << "error 18452"
                                                << "SSPI refused: ";
}

// An independent client, python-tds with its Kerberos login, against the same server.
void tst_KerberosLogin::pytdsLogsInWithTheSameTicket()
{
    QFETCH(QString, auth);
    QFETCH(QString, printed);
    QFETCH(QString, logged);

    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QString script
        = "import sys, pytds, pytds.login\n"
          "class Forged:\n"
          "    def create_packet(self): return b'\\x60\\x0b\\x06\\x09' + bytes(9)\n"
          "    def handle_next(self, packet): return b''\n"
          "    def close(self): pass\n"
          "port = int(sys.argv[1])\n"
          "try:\n"
          "    with pytds.connect('localhost', port=port, database='SNMPCONLINE',\n"
          "                       auth="
        + auth
        + ") as c:\n"
          "        cursor = c.cursor()\n"
          "        cursor.execute('SELECT node_name FROM ATR_Nodes ORDER BY node_id')\n"
          "        print(','.join(row[0] for row in cursor.fetchall()))\n"
          "except pytds.Error as e:\n"
          "    print('error', e.msg_no if hasattr(e, 'msg_no') else e)\n";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, QString::number(fixture.port())});
    QVERIFY(python.waitForFinished(30000));
    const QByteArray err = python.readAllStandardError();
    if (err.contains("No module named"))
        QSKIP("python-tds's Kerberos login needs python3-tds and python3-kerberos");
    QVERIFY2(python.exitCode() == 0, err.constData());
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).trimmed(), printed);
    const QString log = fixture.server().logText();
    QVERIFY2(log.contains(logged), qPrintable(log));
}

QTEST_GUILESS_MAIN(tst_KerberosLogin)
#include "tst_kerberoslogin.moc"
