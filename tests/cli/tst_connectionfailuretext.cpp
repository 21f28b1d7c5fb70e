#include "options/ConnectionFailureText.h"

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

} // namespace tovik::test

QTEST_GUILESS_MAIN(tovik::test::tst_ConnectionFailureText)
#include "tst_connectionfailuretext.moc"
