#include "options/ConnectionFailureText.h"
#include "options/KerberosProbe.h"

#include <QTemporaryDir>
#include <QTest>

namespace tovik::test {

// What the check and the explorer say before the driver's text when no connection opened.
class tst_ConnectionFailureText : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { qunsetenv("KRB5CCNAME"); }
    void describesWhatWasTried_data();
    void describesWhatWasTried();
    void protectionTried_data();
    void protectionTried();
    void servicePrincipalAsFreeTdsAsksForIt_data();
    void servicePrincipalAsFreeTdsAsksForIt();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ConnectionFailureText::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_ConnectionFailureText::describesWhatWasTried_data()
{
    QTest::addColumn<QString>("auth");
    QTest::addColumn<QString>("server");
    // KRB5CCNAME; "%1" stands for the temporary directory, which holds the file "cache".
    QTest::addColumn<QString>("ticketCache");
    QTest::addColumn<QString>("expected");

    const QString driver = "Adaptive Server is unavailable or does not exist";
    const QString kinit
        = " (no Kerberos ticket found: Windows Authentication needs one, from kinit)";
    QTest::newRow("remote: host and port")
        << "Remote SQL Authentication"
        << "db.example\\SNMPCONLINE"
        << "FILE:%1/cache"
        << "no connection to db.example\\SNMPCONLINE:1444 with Remote SQL Authentication as "
           "monitor: "
            + driver;
    QTest::newRow("local, named instance: through the Browser")
        << "Local SQL Authentication"
        << "db.example\\SNMPCONLINE"
        << "FILE:%1/cache"
        << "no connection to db.example\\SNMPCONLINE through the SQL Server Browser on UDP 1434 "
           "with Local SQL Authentication as monitor: "
            + driver;
    QTest::newRow("local, default instance: port 1433")
        << "Local SQL Authentication"
        << "db.example"
        << "FILE:%1/cache"
        << "no connection to db.example:1433 with Local SQL Authentication as monitor: " + driver;
    QTest::newRow("windows with a ticket")
        << "Windows Authentication"
        << "db.example\\SNMPCONLINE"
        << "FILE:%1/cache"
        << "no connection to db.example\\SNMPCONLINE through the SQL Server Browser on UDP 1434 "
           "with Windows Authentication: "
            + driver;
    QTest::newRow("windows, cache file missing")
        << "Windows Authentication"
        << "db.example"
        << "FILE:%1/none"
        << "no connection to db.example:1433 with Windows Authentication" + kinit + ": " + driver;
    QTest::newRow("windows, cache path without FILE:")
        << "Windows Authentication"
        << "db.example"
        << "%1/none"
        << "no connection to db.example:1433 with Windows Authentication" + kinit + ": " + driver;
    QTest::newRow("windows, cache that is no file")
        << "Windows Authentication"
        << "db.example"
        << "KEYRING:persistent:1000"
        << "no connection to db.example:1433 with Windows Authentication: " + driver;
    QTest::newRow("windows, server with its port")
        << "Windows Authentication"
        << "db.example,1500"
        << "FILE:%1/cache"
        << "no connection to db.example:1500 with Windows Authentication: " + driver;
    QTest::newRow("SQL authentication needs no ticket")
        << "Remote SQL Authentication"
        << "db.example"
        << "FILE:%1/none"
        << "no connection to db.example:1444 with Remote SQL Authentication as monitor: " + driver;
}

void tst_ConnectionFailureText::describesWhatWasTried()
{
    QFETCH(QString, auth);
    QFETCH(QString, server);
    QFETCH(QString, ticketCache);
    QFETCH(QString, expected);
    QFile cache(m_dir->filePath("cache"));
    QVERIFY(cache.open(QIODevice::WriteOnly));
    cache.close();
    qputenv("KRB5CCNAME", ticketCache.arg(m_dir->path()).toLocal8Bit());

    ConnectionFields fields;
    fields.SqlConnType = auth;
    fields.SqlDbServer = server;
    fields.SqlDbPort = "1444";
    fields.SqlDbUser = "monitor";
    fields.SqlDbPass = "secret";
    const QString text = ConnectionFailureText::describe(
        fields, "Adaptive Server is unavailable or does not exist");
    QCOMPARE(text, expected);
    QVERIFY(!text.contains("secret"));
}

void tst_ConnectionFailureText::protectionTried_data()
{
    QTest::addColumn<ConnectionSecurity>("security");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("expected");

    using M = EncryptionMode;
    QTest::newRow("optional says nothing")
        << ConnectionSecurity {M::Optional, true, "/etc/ca.pem", "db"} << ""
        << ": driver text";
    QTest::newRow("mandatory, system") << ConnectionSecurity {M::Mandatory, false, {}, {}} << ""
                                       << ", mandatory encryption with the certificate checked "
                                          "against the system's certificate authorities: driver "
                                          "text";
    QTest::newRow("mandatory, CA file and name")
        << ConnectionSecurity {M::Mandatory, false, "/etc/ca.pem", "db.lan"} << ""
        << ", mandatory encryption with the certificate checked against /etc/ca.pem for the "
           "name db.lan: driver text";
    QTest::newRow("mandatory, trusted") << ConnectionSecurity {M::Mandatory, true, {}, {}} << ""
                                        << ", mandatory encryption with the certificate trusted "
                                           "unchecked: driver text";
    QTest::newRow("strict") << ConnectionSecurity {M::Strict, false, "/etc/ca.pem", {}} << ""
                            << ", strict encryption with the certificate checked against "
                               "/etc/ca.pem: driver text";
    QTest::newRow("a cause found, the driver's text after it")
        << ConnectionSecurity {M::Mandatory, true, {}, {}} << "the server offers no encryption"
        << ", mandatory encryption with the certificate trusted unchecked: the server offers no "
           "encryption (driver text)";
}

void tst_ConnectionFailureText::protectionTried()
{
    QFETCH(ConnectionSecurity, security);
    QFETCH(QString, cause);
    QFETCH(QString, expected);

    ConnectionFields fields;
    fields.SqlConnType = "Remote SQL Authentication";
    fields.SqlDbServer = "db.example";
    fields.SqlDbPort = "1444";
    fields.SqlDbUser = "monitor";
    QCOMPARE(ConnectionFailureText::describe(fields, "driver text", security, cause),
        "no connection to db.example:1444 with Remote SQL Authentication as monitor" + expected);
}

void tst_ConnectionFailureText::servicePrincipalAsFreeTdsAsksForIt_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("principal");

    QTest::newRow("default port") << "db.example"
                                  << "MSSQLSvc/db.example:1433";
    QTest::newRow("port given") << "db.example,1500"
                                << "MSSQLSvc/db.example:1500";
    QTest::newRow("address") << "127.0.0.1,40000"
                             << "MSSQLSvc/127.0.0.1:40000";
    // localhost's canonical name has no dot, so it stays.
    QTest::newRow("localhost") << "localhost, 1433 "
                               << "MSSQLSvc/localhost:1433";
    QTest::newRow("port that is no number") << "db.example,x"
                                            << "";
}

void tst_ConnectionFailureText::servicePrincipalAsFreeTdsAsksForIt()
{
    QFETCH(QString, server);
    QFETCH(QString, principal);
    ConnectionFields fields;
    fields.SqlConnType = "Windows Authentication";
    fields.SqlDbServer = server;
    fields.SqlDbPort = "1444";
    QCOMPARE(KerberosProbe::servicePrincipal(fields), principal);
}

} // namespace tovik::test

QTEST_GUILESS_MAIN(tovik::test::tst_ConnectionFailureText)
#include "tst_connectionfailuretext.moc"
