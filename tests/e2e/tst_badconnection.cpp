#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString password = "Secret1";
const QString longText = QString(10000, u'L');

enum class Outcome {
    // The login succeeds; the run goes on to its first query, which the empty database fails.
    LogsIn,
    // The program refuses to send the value (FreeTDS ends a braced value at the first "}").
    Refused,
    // The driver finds no server to send the login to.
    ConnectFails,
    // The server turns the login down.
    LoginFails,
};

// The server serves a database of that name and accepts that login, so a value that arrives
// intact logs in and one that is changed on the way does not.
struct Setup
{
    QString database = "SNMPCONLINE";
    QString user = "sa";
    QString password = ::password;
    QString instance = "SNMPCONLINE";
};

Setup setupFor(const QString &control, const QString &value)
{
    Setup setup;
    if (control == control::kTxtOnlDatabase)
        setup.database = value;
    else if (control == control::kTxtOnlDbUser)
        setup.user = value;
    else if (control == control::kTxtOnlDbPass)
        setup.password = value;
    else
        setup.instance = value;
    return setup;
}

void addRows(const QString &control, const QString &stem, Outcome separators = Outcome::LogsIn)
{
    const QByteArray name = control.toLatin1();
    QTest::newRow(name + ": ; and =") << control << stem + ";X=Y" << separators;
    QTest::newRow(name + ": {") << control << "{" + stem << Outcome::LogsIn;
    QTest::newRow(name + ": }") << control << stem + "}" << Outcome::Refused;
    QTest::newRow(name + ": quotes") << control << "\"" + stem + "'" << Outcome::LogsIn;
    QTest::newRow(name + ": non-ASCII")
        << control << stem + QString::fromUtf8("\u00C4\u20AC\u4E2D") << Outcome::LogsIn;
}

// The connect line of the run log, where the password must show as "****".
QString connectLine(const QString &log)
{
    return log.section("\r\n", 0, 0);
}

} // namespace

Q_DECLARE_METATYPE(Outcome)

// Separators, braces, quotes, non-ASCII text and very long values in the connection fields.
class tst_BadConnection : public QObject
{
    Q_OBJECT

private slots:
    void connectionFields_data();
    void connectionFields();
};

void tst_BadConnection::connectionFields_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");
    QTest::addColumn<Outcome>("outcome");

    // A server text goes to the name resolver, which would ask the network's DNS server about
    // any host name that is not a plain address: the odd characters go into the instance name,
    // which the driver sends to the SQL Server Browser on loopback.
    // The browser's reply separates its fields with ";", so the driver cannot find the port of
    // an instance whose name holds one.
    addRows(control::kTxtOnlDbServer, "SNMP", Outcome::ConnectFails);
    addRows(control::kTxtOnlDatabase, "SNMP");
    addRows(control::kTxtOnlDbUser, "user");
    addRows(control::kTxtOnlDbPass, "pw");
    // Instance names are at most 32 bytes long; the browser does not answer for a longer one,
    // and the driver gives up after its retries.
    QTest::newRow("txtOnlDbServer: 10,000 characters")
        << control::kTxtOnlDbServer << longText << Outcome::ConnectFails;
    // A file name holds at most 255 bytes, so the server knows no such database.
    QTest::newRow("txtOnlDatabase: 10,000 characters")
        << control::kTxtOnlDatabase << longText << Outcome::LoginFails;
    // FreeTDS sends at most 128 characters of a user name or a password.
    QTest::newRow("txtOnlDbUser: 10,000 characters")
        << control::kTxtOnlDbUser << longText << Outcome::LoginFails;
    QTest::newRow("txtOnlDbPass: 10,000 characters")
        << control::kTxtOnlDbPass << longText << Outcome::LoginFails;
}

void tst_BadConnection::connectionFields()
{
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(Outcome, outcome);

    const Setup setup = setupFor(control, value);
    MonitoringFixture fixture;
    // A file name cannot hold the long text; that database is then simply missing.
    if (setup.database.size() < 200)
        QVERIFY2(fixture.addDatabase(setup.database, {"CREATE TABLE Other (x INTEGER)"}),
            qPrintable(fixture.error));
    SampleServer::Options options;
    options.logins << setup.user + ":" + setup.password;
    options.instance = setup.instance;
    options.browser = true;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    fixture.host.setText(control::kCboOnlConnType, "Local SQL Authentication");
    fixture.host.setText(control::kTxtOnlDbServer, "127.0.0.1\\" + setup.instance);
    fixture.host.setText(control::kTxtOnlDatabase, setup.database);
    fixture.host.setText(control::kTxtOnlDbUser, setup.user);
    fixture.host.setText(control::kTxtOnlDbPass, setup.password);
    fixture.host.setText(control::kTxtOnlConnTimeout, "5");

    QElapsedTimer timer;
    timer.start();
    TestRunDriver(fixture.host).run();
    const qint64 elapsed = timer.elapsed();

    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString warning = fixture.host.warnings.first();
    qInfo("%s: %lld ms: %s", QTest::currentDataTag(), elapsed, qPrintable(warning.left(200)));
    QVERIFY(fixture.host.testEnabled);
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
    const QString log = fixture.runLog();
    QVERIFY(!log.contains(setup.password));
    switch (outcome) {
    case Outcome::LogsIn:
        QCOMPARE(warning, QString("[FreeTDS][SQL Server]Invalid object name 'ATR_Reports'."));
        QVERIFY2(connectLine(log).startsWith("Connect OK to "), qPrintable(connectLine(log)));
        QVERIFY2(connectLine(log).endsWith(";User Id=" + setup.user + ";Password=****"),
            qPrintable(connectLine(log)));
        break;
    case Outcome::Refused:
        QVERIFY2(warning.contains("cannot receive intact"), qPrintable(warning));
        QCOMPARE(log, QString("<no run-log file>"));
        break;
    case Outcome::ConnectFails:
        QVERIFY2(warning.startsWith("[FreeTDS]") && warning.contains("Unable to connect"),
            qPrintable(warning));
        QCOMPARE(log, QString("<no run-log file>"));
        break;
    case Outcome::LoginFails:
        QVERIFY2(warning.startsWith("[FreeTDS]") && warning.contains("Login failed"),
            qPrintable(warning));
        QCOMPARE(log, QString("<no run-log file>"));
        break;
    }
}

QTEST_GUILESS_MAIN(tst_BadConnection)
#include "tst_badconnection.moc"
