#include "FileModes.h"
#include "OdbcStringParser.h"
#include "db/FreeTdsConfFile.h"
#include "db/FreeTdsServerSection.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcDriverCatalog.h"
#include "testrun/ShownConnectionString.h"

#include <QtTest>

using namespace tovik;

namespace {

ConnectionFields fields(const QString &type)
{
    return {type, "HOST\\SNMPCONLINE", "SNMPCONLINE", "sa", "secret", "1433"};
}

} // namespace

class tst_ConnectionStrings : public QObject
{
    Q_OBJECT

private slots:
    void mainForms_data();
    void mainForms();
    void reportForms_data();
    void reportForms();
    void passwordMaskedForTheLog_data();
    void passwordMaskedForTheLog();
    void odbcValuesStayInTheirKeys_data();
    void odbcValuesStayInTheirKeys();
    void freeTdsRefusesClosingBrace_data();
    void freeTdsRefusesClosingBrace();
    void odbcDriverSpecifics();
    void preferredDriver_data();
    void preferredDriver();
    void securityKeys_data();
    void securityKeys();
    void freeTdsSection_data();
    void freeTdsSection();
    void freeTdsConfFileOnlyForTheConnect();
};

void tst_ConnectionStrings::mainForms_data()
{
    QTest::addColumn<ConnectionFields>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("windows") << fields("Windows Authentication")
                             << "Provider=SQLOLEDB;Data Source=HOST\\SNMPCONLINE;Initial "
                                "Catalog=SNMPCONLINE;Integrated Security=SSPI";
    QTest::newRow("local") << fields("Local SQL Authentication")
                           << "Provider=SQLOLEDB;Data Source=HOST\\SNMPCONLINE;Initial "
                              "Catalog=SNMPCONLINE;User Id=sa;Password=secret";
    QTest::newRow("remote") << fields("Remote SQL Authentication")
                            << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data "
                               "Source=HOST\\SNMPCONLINE,1433;Initial Catalog=SNMPCONLINE;User "
                               "Id=sa;Password=secret";
    ConnectionFields emptyPassword = fields("Local SQL Authentication");
    emptyPassword.SqlDbPass.clear();
    QTest::newRow("empty password") << emptyPassword
                                    << "Provider=SQLOLEDB;Data Source=HOST\\SNMPCONLINE;Initial "
                                       "Catalog=SNMPCONLINE;User Id=sa;Password=";
    ConnectionFields emptyPort = fields("Remote SQL Authentication");
    emptyPort.SqlDbPort.clear();
    QTest::newRow("empty port") << emptyPort
                                << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data "
                                   "Source=HOST\\SNMPCONLINE,;Initial Catalog=SNMPCONLINE;User "
                                   "Id=sa;Password=secret";
    ConnectionFields blanks = fields("Local SQL Authentication");
    blanks.SqlDbUser = " a;b=c ";
    QTest::newRow("values unquoted") << blanks
                                     << "Provider=SQLOLEDB;Data Source=HOST\\SNMPCONLINE;Initial "
                                        "Catalog=SNMPCONLINE;User Id= a;b=c ;Password=secret";
    QTest::newRow("other case") << fields("windows authentication") << "";
    QTest::newRow("trailing blank") << fields("Windows Authentication ") << "";
    QTest::newRow("empty choice") << fields("") << "";
}

void tst_ConnectionStrings::mainForms()
{
    QFETCH(ConnectionFields, input);
    QFETCH(QString, expected);
    QCOMPARE(ShownConnectionString::main(input), expected);
}

void tst_ConnectionStrings::reportForms_data()
{
    QTest::addColumn<ConnectionFields>("input");
    QTest::addColumn<int>("reportId");
    QTest::addColumn<QString>("expected");

    QTest::newRow("windows") << fields("Windows Authentication") << 12
                             << "Provider=SQLOLEDB;Data Source=HOST\\SNMPCONLINE;Initial "
                                "Catalog=ATR_Report_12;Integrated Security=SSPI";
    QTest::newRow("local") << fields("Local SQL Authentication") << 12
                           << "Provider=SQLOLEDB;Data Source=HOST\\SNMPCONLINE;Initial "
                              "Catalog=ATR_Report_12;User Id=sa;Password=secret";
    QTest::newRow("remote, negative id") << fields("Remote SQL Authentication") << -3
                                         << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data "
                                            "Source=HOST\\SNMPCONLINE,1433;Initial "
                                            "Catalog=ATR_Report_-3;User Id=sa;Password=secret";
    QTest::newRow("unknown") << fields("SQL") << 12 << "";
}

void tst_ConnectionStrings::reportForms()
{
    QFETCH(ConnectionFields, input);
    QFETCH(int, reportId);
    QFETCH(QString, expected);
    QCOMPARE(ShownConnectionString::report(input, reportId), expected);
}

void tst_ConnectionStrings::passwordMaskedForTheLog_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("shown");

    QTest::newRow("set") << "secret"
                         << "****";
    QTest::newRow("one character") << "x"
                                   << "****";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("with separators") << "a;Password=b"
                                     << "****";
}

void tst_ConnectionStrings::passwordMaskedForTheLog()
{
    QFETCH(QString, password);
    QFETCH(QString, shown);

    ConnectionFields input = fields("Local SQL Authentication");
    input.SqlDbPass = password;
    const QString logged = ShownConnectionString::main(input.masked());
    QVERIFY(logged.endsWith(";Password=" + shown));
    if (!password.isEmpty())
        QVERIFY(!logged.contains(password));
    QCOMPARE(input.SqlDbPass, password);
}

void tst_ConnectionStrings::odbcValuesStayInTheirKeys_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("plain") << "FreeTDS"
                           << "sa"
                           << "secret";
    QTest::newRow("semicolon and equals") << "FreeTDS"
                                          << "sa"
                                          << "a;b=c;PWD=x";
    QTest::newRow("opening brace") << "FreeTDS"
                                   << "{sa"
                                   << "{x";
    QTest::newRow("quotes") << "FreeTDS"
                            << "\"sa'"
                            << "'\"";
    QTest::newRow("non-ascii") << "FreeTDS" << QString::fromUtf8("bj\u00f6rn")
                               << QString::fromUtf8("p\u00e4\u00df\u20ac");
    QTest::newRow("long") << "FreeTDS" << QString(10000, u'u') << QString(10000, u';');
    QTest::newRow("closing brace, microsoft") << "ODBC Driver 18 for SQL Server"
                                              << "a}b"
                                              << "}};{";
    QTest::newRow("empty") << "ODBC Driver 17 for SQL Server"
                           << ""
                           << "";
}

void tst_ConnectionStrings::odbcValuesStayInTheirKeys()
{
    QFETCH(QString, driver);
    QFETCH(QString, user);
    QFETCH(QString, password);

    ConnectionFields input = fields("Remote SQL Authentication");
    input.SqlDbUser = user;
    input.SqlDbPass = password;
    QString failure;
    const auto text = OdbcConnectionString::build(input, "ATR_Report_7", driver, 30, &failure);
    QVERIFY2(text.has_value(), qPrintable(failure));
    QVERIFY(text->endsWith(u';'));

    const auto pairs = test::parseOdbcString(*text, OdbcDriverCatalog::isFreeTds(driver));
    QVERIFY(pairs);
    QHash<QString, QString> values;
    for (const auto &pair : *pairs) {
        QVERIFY2(!values.contains(pair.key.toUpper()), qPrintable("key twice: " + pair.key));
        values.insert(pair.key.toUpper(), pair.value);
    }
    QCOMPARE(values.value("DRIVER"), driver);
    QCOMPARE(values.value("SERVER"), "HOST\\SNMPCONLINE,1433");
    QCOMPARE(values.value("DATABASE"), "ATR_Report_7");
    QCOMPARE(values.value("UID"), user);
    QCOMPARE(values.value("PWD"), password);
    QCOMPARE(values.value("LANGUAGE"), "us_english");
}

void tst_ConnectionStrings::freeTdsRefusesClosingBrace_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("label");

    QTest::newRow("password") << 0 << "Password";
    QTest::newRow("user") << 1 << "User Name";
    QTest::newRow("server") << 2 << "Server";
}

void tst_ConnectionStrings::freeTdsRefusesClosingBrace()
{
    QFETCH(int, field);
    QFETCH(QString, label);

    ConnectionFields input = fields("Local SQL Authentication");
    QString &value = field == 0 ? input.SqlDbPass
        : field == 1            ? input.SqlDbUser
                                : input.SqlDbServer;
    value += "}x";
    QString failure;
    QVERIFY(!OdbcConnectionString::build(input, "SNMPCONLINE", "FreeTDS", 30, &failure));
    QVERIFY2(failure.contains(label) && failure.contains("FreeTDS"), qPrintable(failure));
}

void tst_ConnectionStrings::odbcDriverSpecifics()
{
    QString failure;
    const auto windows = OdbcConnectionString::build(
        fields("Windows Authentication"), "SNMPCONLINE", "FreeTDS", 30, &failure);
    QVERIFY(windows);
    QVERIFY(windows->contains(";Trusted_Connection=yes;"));
    QVERIFY(!windows->contains("UID="));
    QVERIFY(!windows->contains("secret"));
    QVERIFY(windows->contains("SERVER={HOST\\SNMPCONLINE};"));
    QVERIFY(windows->contains(";Timeout=30;"));
    QVERIFY(windows->contains(";PacketSize=16384;"));

    const auto driver18 = OdbcConnectionString::build(fields("Local SQL Authentication"),
        "SNMPCONLINE", "ODBC Driver 18 for SQL Server", 30, &failure);
    QVERIFY(driver18);
    QVERIFY(driver18->contains(";Encrypt=no;"));
    QVERIFY(windows->contains(";Language=us_english;"));
    QVERIFY(driver18->contains(";Language=us_english;"));
    QVERIFY(!driver18->contains("Timeout="));
    QVERIFY(!driver18->contains("PacketSize="));

    const auto unknown
        = OdbcConnectionString::build(fields("Other"), "SNMPCONLINE", "FreeTDS", 30, &failure);
    QVERIFY(unknown);
    QVERIFY(unknown->isEmpty());
}

void tst_ConnectionStrings::preferredDriver_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("freetds only") << QStringList {"PostgreSQL", "FreeTDS"} << "FreeTDS";
    QTest::newRow("17 before freetds") << QStringList {"FreeTDS", "ODBC Driver 17 for SQL Server"}
                                       << "ODBC Driver 17 for SQL Server";
    QTest::newRow("18 first") << QStringList {"ODBC Driver 17 for SQL Server", "FreeTDS",
        "ODBC Driver 18 for SQL Server"}
                              << "ODBC Driver 18 for SQL Server";
    QTest::newRow("none") << QStringList {"PostgreSQL", "SQLite3"} << "";
}

void tst_ConnectionStrings::preferredDriver()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, chosen);
    QCOMPARE(OdbcDriverCatalog::preferredDriver(installed), chosen);
}

namespace {

const QString freeTds = "FreeTDS";
const QString driver17 = "ODBC Driver 17 for SQL Server";
const QString driver18 = "ODBC Driver 18 for SQL Server";

// The keys of a connection string that say where the server is and how it is protected.
QString securityKeysOf(const QString &text, bool freeTds)
{
    static const QStringList keys {"SERVER", "SERVERNAME", "ENCRYPTION", "ENCRYPT",
        "TRUSTSERVERCERTIFICATE", "HOSTNAMEINCERTIFICATE", "SERVERCERTIFICATE"};
    QStringList shown;
    for (const auto &pair : test::parseOdbcString(text, freeTds).value_or(QList<test::OdbcPair> {}))
        if (keys.contains(pair.key.toUpper()))
            shown << pair.key + u'=' + pair.value;
    return shown.join(u';');
}

} // namespace

void tst_ConnectionStrings::securityKeys_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<ConnectionSecurity>("security");
    // The keys sent, or "refused: " and a part of the reason.
    QTest::addColumn<QString>("expected");

    const QString ca = "/etc/ca.pem";
    using M = EncryptionMode;
    QTest::newRow("freetds optional")
        << freeTds << ConnectionSecurity {} << "SERVER=db1,1433;Encryption=request";
    QTest::newRow("freetds optional ignores CA file")
        << freeTds << ConnectionSecurity {M::Optional, false, ca, "other"}
        << "SERVER=db1,1433;Encryption=request";
    QTest::newRow("freetds mandatory checked")
        << freeTds << ConnectionSecurity {M::Mandatory, false, ca, {}}
        << "SERVERNAME=tovik-server;Encryption=require";
    QTest::newRow("freetds mandatory trusted")
        << freeTds << ConnectionSecurity {M::Mandatory, true, {}, {}}
        << "SERVER=db1,1433;Encryption=require";
    QTest::newRow("freetds strict") << freeTds << ConnectionSecurity {M::Strict, false, {}, {}}
                                    << "refused: the FreeTDS driver (1.3) does not";
    QTest::newRow("18 optional, the window's")
        << driver18 << ConnectionSecurity {}
        << "SERVER=db1,1433;Encrypt=no;TrustServerCertificate=yes";
    QTest::newRow("18 mandatory") << driver18 << ConnectionSecurity {M::Mandatory, false, {}, {}}
                                  << "SERVER=db1,1433;Encrypt=yes";
    QTest::newRow("18 mandatory, name")
        << driver18 << ConnectionSecurity {M::Mandatory, false, {}, "db1.lan"}
        << "SERVER=db1,1433;Encrypt=yes;HostNameInCertificate=db1.lan";
    QTest::newRow("18 mandatory trusted")
        << driver18 << ConnectionSecurity {M::Mandatory, true, {}, {}}
        << "SERVER=db1,1433;Encrypt=yes;TrustServerCertificate=yes";
    QTest::newRow("18 mandatory, CA file")
        << driver18 << ConnectionSecurity {M::Mandatory, false, ca, {}}
        << "refused: a CA file needs strict encryption";
    QTest::newRow("18 strict, CA file and name")
        << driver18 << ConnectionSecurity {M::Strict, false, ca, "db1.lan"}
        << "SERVER=db1,1433;Encrypt=strict;HostNameInCertificate=db1.lan;ServerCertificate=" + ca;
    QTest::newRow("18 strict trusted") << driver18 << ConnectionSecurity {M::Strict, true, {}, {}}
                                       << "refused: always checks the certificate";
    QTest::newRow("17 optional") << driver17 << ConnectionSecurity {} << "SERVER=db1,1433";
    QTest::newRow("17 mandatory") << driver17 << ConnectionSecurity {M::Mandatory, false, {}, {}}
                                  << "SERVER=db1,1433;Encrypt=yes";
    QTest::newRow("17 mandatory trusted")
        << driver17 << ConnectionSecurity {M::Mandatory, true, {}, {}}
        << "SERVER=db1,1433;Encrypt=yes;TrustServerCertificate=yes";
    QTest::newRow("17 mandatory, name")
        << driver17 << ConnectionSecurity {M::Mandatory, false, {}, "db1.lan"}
        << "refused: ODBC Driver 17 for SQL Server checks the certificate";
    QTest::newRow("17 strict") << driver17 << ConnectionSecurity {M::Strict, false, {}, {}}
                               << "refused: ODBC Driver 17 for SQL Server does not";
}

void tst_ConnectionStrings::securityKeys()
{
    QFETCH(QString, driver);
    QFETCH(ConnectionSecurity, security);
    QFETCH(QString, expected);

    ConnectionFields input = fields("Remote SQL Authentication");
    input.SqlDbServer = "db1";
    QString failure;
    const auto text
        = OdbcConnectionString::build(input, "SNMPCONLINE", driver, 30, &failure, security);
    if (expected.startsWith("refused: ")) {
        QVERIFY(!text);
        QVERIFY2(failure.contains(expected.mid(9)), qPrintable(failure));
        return;
    }
    QVERIFY2(text, qPrintable(failure));
    QCOMPARE(securityKeysOf(*text, OdbcDriverCatalog::isFreeTds(driver)), expected);
    QVERIFY(text->contains(";PWD={secret};"));
}

void tst_ConnectionStrings::freeTdsSection_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("server");
    QTest::addColumn<ConnectionSecurity>("security");
    // The lines after the section's name, or "refused: " and a part of the reason.
    QTest::addColumn<QString>("expected");

    const QString checks = "\tencryption = require\n\tca file = %1\n"
                           "\tcheck certificate hostname = yes\n";
    const ConnectionSecurity mandatory {EncryptionMode::Mandatory, false, {}, {}};
    QTest::newRow("remote, system authorities")
        << "Remote SQL Authentication"
        << "db1" << mandatory << "\thost = db1\n\tport = 1433\n" + checks.arg("system");
    QTest::newRow("local instance, CA file")
        << "Local SQL Authentication"
        << "db1\\SNMPCONLINE"
        << ConnectionSecurity {EncryptionMode::Mandatory, false, "/etc/ca.pem", {}}
        << "\thost = db1\n\tinstance = SNMPCONLINE\n" + checks.arg("/etc/ca.pem");
    QTest::newRow("windows, default instance, its own name")
        << "Windows Authentication"
        << "db1" << ConnectionSecurity {EncryptionMode::Mandatory, false, {}, "DB1"}
        << "\thost = db1\n" + checks.arg("system");
    QTest::newRow("another name") << "Remote SQL Authentication"
                                  << "db1"
                                  << ConnectionSecurity {EncryptionMode::Mandatory, false, {},
                                         "db2"}
                                  << "refused: it cannot check it for db2";
    QTest::newRow("comment in the CA file's path")
        << "Remote SQL Authentication"
        << "db1" << ConnectionSecurity {EncryptionMode::Mandatory, false, "/tmp/a#b.pem", {}}
        << "refused: the ca file '/tmp/a#b.pem'";
    QTest::newRow("line end in the server")
        << "Remote SQL Authentication"
        << "db1\n[global]" << mandatory << "refused: the host 'db1\n[global]'";
    QTest::newRow("double blank in the CA file's path")
        << "Remote SQL Authentication"
        << "db1" << ConnectionSecurity {EncryptionMode::Mandatory, false, "/tmp/a  b.pem", {}}
        << "refused: the ca file";
}

void tst_ConnectionStrings::freeTdsSection()
{
    QFETCH(QString, type);
    QFETCH(QString, server);
    QFETCH(ConnectionSecurity, security);
    QFETCH(QString, expected);

    ConnectionFields input = fields(type);
    input.SqlDbServer = server;
    QString failure;
    const auto text = FreeTdsServerSection::text(input, security, &failure);
    if (expected.startsWith("refused: ")) {
        QVERIFY(!text);
        QVERIFY2(failure.contains(expected.mid(9)), qPrintable(failure));
        return;
    }
    QVERIFY2(text, qPrintable(failure));
    QCOMPARE(QString::fromUtf8(*text), "[tovik-server]\n" + expected);
    QVERIFY(!text->contains("secret"));
}

// The driver finds the section through FREETDSCONF while the connection opens; before and after,
// the variable is what it was and the file is gone.
void tst_ConnectionStrings::freeTdsConfFileOnlyForTheConnect()
{
    qputenv(FreeTdsConfFile::kVariable, "/etc/users-own.conf");
    QString path;
    {
        QString failure;
        const auto conf = FreeTdsConfFile::create("[tovik-server]\n\thost = db1\n", &failure);
        QVERIFY2(conf, qPrintable(failure));
        path = conf->path();
        QCOMPARE(qEnvironmentVariable(FreeTdsConfFile::kVariable), path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "[tovik-server]\n\thost = db1\n");
        QCOMPARE(test::fileMode(path), 0600);
        QCOMPARE(test::fileMode(QFileInfo(path).path()), 0700);
    }
    QCOMPARE(qgetenv(FreeTdsConfFile::kVariable), "/etc/users-own.conf");
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(QFileInfo(path).path()));

    qunsetenv(FreeTdsConfFile::kVariable);
    {
        QString failure;
        const auto conf = FreeTdsConfFile::create("[tovik-server]\n", &failure);
        QVERIFY2(conf, qPrintable(failure));
        QVERIFY(qEnvironmentVariableIsSet(FreeTdsConfFile::kVariable));
    }
    QVERIFY(!qEnvironmentVariableIsSet(FreeTdsConfFile::kVariable));
}

QTEST_GUILESS_MAIN(tst_ConnectionStrings)
#include "tst_connectionstrings.moc"
