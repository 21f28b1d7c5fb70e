#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString reportHeader = "*** Get All Reports based on Online Server CPU ***";
const QString reportSql = "SELECT report_id, report_name, table_name, pollint FROM ATR_Reports "
                          "WHERE table_name = 'CRATR-MIB|CRCpuEntry'";

QString connectLines(const QString &connectionString)
{
    return "Connect OK to " + connectionString + kCrlf + "Time = # ms" + kCrlf + kCrlf;
}

// A database without ATR_Reports: the first query fails, so the log shows the connect alone.
QStringList databaseWithoutReports()
{
    return {"CREATE TABLE Other (x INTEGER)"};
}

} // namespace

// Opening the main connection through the ODBC driver, and how a failed open ends the run.
class tst_Connect : public QObject
{
    Q_OBJECT

private slots:
    void connectsInEachMode_data();
    void connectsInEachMode();
    void refusedLogins_data();
    void refusedLogins();
    void closingBraceCannotReachFreeTds();
    void queryFailureEndsWithDescription();
};

void tst_Connect::connectsInEachMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<QString>("shown");

    // %1 stands for the server's port.
    QTest::newRow("remote, empty password")
        << "Remote SQL Authentication"
        << "127.0.0.1"
        << ""
        << ""
        << "15"
        << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
           "Catalog=SNMPCONLINE;User Id=sa;Password=";
    QTest::newRow("remote, password masked")
        << "Remote SQL Authentication"
        << "127.0.0.1"
        << "sa:Secret1"
        << "Secret1"
        << "15"
        << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
           "Catalog=SNMPCONLINE;User Id=sa;Password=****";
    QTest::newRow("local through the browser reply")
        << "Local SQL Authentication"
        << "127.0.0.1\\SNMPCONLINE"
        << "sa:Secret1"
        << "Secret1"
        << "15"
        << "Provider=SQLOLEDB;Data Source=127.0.0.1\\SNMPCONLINE;Initial "
           "Catalog=SNMPCONLINE;User Id=sa;Password=****";
    QTest::newRow("timeout text that is no number")
        << "Remote SQL Authentication"
        << "127.0.0.1"
        << ""
        << ""
        << "abc"
        << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
           "Catalog=SNMPCONLINE;User Id=sa;Password=";
    QTest::newRow("password with separators")
        << "Remote SQL Authentication"
        << "127.0.0.1"
        << "sa:a;b=c{d"
        << "a;b=c{d"
        << "0"
        << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
           "Catalog=SNMPCONLINE;User Id=sa;Password=****";
}

void tst_Connect::connectsInEachMode()
{
    QFETCH(QString, mode);
    QFETCH(QString, server);
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(QString, timeout);
    QFETCH(QString, shown);

    MonitoringFixture fixture;
    QVERIFY2(
        fixture.addDatabase("SNMPCONLINE", databaseWithoutReports()), qPrintable(fixture.error));
    SampleServer::Options options;
    options.browser = server.contains('\\');
    if (!login.isEmpty())
        options.logins << login;
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    fixture.host.setText(control::kCboOnlConnType, mode);
    fixture.host.setText(control::kTxtOnlDbServer, server);
    fixture.host.setText(control::kTxtOnlDbPass, password);
    fixture.host.setText(control::kTxtOnlConnTimeout, timeout);

    TestRunDriver(fixture.host).run();

    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString description = fixture.host.warnings.first();
    QVERIFY2(description.contains("Invalid object name 'ATR_Reports'"), qPrintable(description));
    const QString expected
        = connectLines(QString(shown).replace("%1", QString::number(fixture.port()))) + reportHeader
        + kCrlf + reportSql + kCrlf + kCrlf + description + kCrlf;
    QCOMPARE(withoutTimings(fixture.runLog()), expected);
    if (!password.isEmpty())
        QVERIFY(!fixture.runLog().contains(password));
}

void tst_Connect::refusedLogins_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("closedPort");
    QTest::addColumn<QString>("descriptionPart");

    QTest::newRow("wrong password") << "Remote SQL Authentication"
                                    << "127.0.0.1"
                                    << "wrong" << false << "Login failed for user 'sa'.";
    QTest::newRow("closed port") << "Remote SQL Authentication"
                                 << "127.0.0.1"
                                 << "Secret1" << true << "[FreeTDS]";
    // No Kerberos ticket exists here, so the driver gives up before it sends a login.
    QTest::newRow("windows authentication") << "Windows Authentication"
                                            << "127.0.0.1,%1"
                                            << "Secret1" << false << "[FreeTDS]";
    QTest::newRow("unknown database") << "Remote SQL Authentication"
                                      << "127.0.0.1"
                                      << "Secret1" << false << "Login failed";
}

void tst_Connect::refusedLogins()
{
    QFETCH(QString, mode);
    QFETCH(QString, server);
    QFETCH(QString, password);
    QFETCH(bool, closedPort);
    QFETCH(QString, descriptionPart);

    MonitoringFixture fixture;
    QVERIFY2(
        fixture.addDatabase("SNMPCONLINE", databaseWithoutReports()), qPrintable(fixture.error));
    SampleServer::Options options;
    options.logins << "sa:Secret1";
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    fixture.host.setText(control::kCboOnlConnType, mode);
    fixture.host.setText(
        control::kTxtOnlDbServer, QString(server).replace("%1", QString::number(fixture.port())));
    fixture.host.setText(control::kTxtOnlDbPass, password);
    fixture.host.setText(control::kTxtOnlConnTimeout, "5");
    if (QString(QTest::currentDataTag()) == "unknown database")
        fixture.host.setText(control::kTxtOnlDatabase, "NoSuchDb");
    if (closedPort) {
        const quint16 port = fixture.port();
        fixture.server().stop();
        fixture.host.setText(control::kTxtOnlDbPort, QString::number(port));
    }

    QElapsedTimer timer;
    timer.start();
    TestRunDriver(fixture.host).run();
    const qint64 elapsed = timer.elapsed();
    qInfo("%s: main-open failure after %lld ms", QTest::currentDataTag(), elapsed);

    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString description = fixture.host.warnings.first();
    QVERIFY2(description.contains(descriptionPart), qPrintable(description));
    QVERIFY2(!description.contains("QODBC"), qPrintable(description));
    QCOMPARE(fixture.host.events, QStringList({"disabled", "enabled", "warning:" + description}));
    QCOMPARE(fixture.runLog(), QString("<no run-log file>"));
    // Within the login timeout of 5 seconds and a margin.
    QVERIFY2(elapsed < 8000, qPrintable(QString::number(elapsed)));
}

void tst_Connect::closingBraceCannotReachFreeTds()
{
    MonitoringFixture fixture;
    QVERIFY2(
        fixture.addDatabase("SNMPCONLINE", databaseWithoutReports()), qPrintable(fixture.error));
    SampleServer::Options options;
    options.logins << "sa:a}b";
    QVERIFY2(fixture.startServer(options), qPrintable(fixture.error));
    fixture.host.setText(control::kTxtOnlDbPass, "a}b");

    TestRunDriver(fixture.host).run();

    QCOMPARE(fixture.host.warnings.size(), 1);
    QVERIFY2(fixture.host.warnings.first().contains("Password"),
        qPrintable(fixture.host.warnings.first()));
    QCOMPARE(fixture.runLog(), QString("<no run-log file>"));
    QVERIFY(fixture.host.testEnabled);
}

void tst_Connect::queryFailureEndsWithDescription()
{
    MonitoringFixture fixture;
    QVERIFY2(
        fixture.addDatabase("SNMPCONLINE", databaseWithoutReports()), qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));

    TestRunDriver(fixture.host).run();

    QCOMPARE(fixture.host.warnings.size(), 1);
    const QString description = fixture.host.warnings.first();
    QCOMPARE(description, QString("[FreeTDS][SQL Server]Invalid object name 'ATR_Reports'."));
    const QString logPath = fixture.runLogPath();
    // The button comes back before the log is shown, and the log before the message.
    QCOMPARE(fixture.host.events,
        QStringList({"disabled", "enabled", "viewer:" + logPath, "warning:" + description}));
    QVERIFY(fixture.runLog().endsWith(reportSql + kCrlf + kCrlf + description + kCrlf));
}

QTEST_GUILESS_MAIN(tst_Connect)
#include "tst_connect.moc"
