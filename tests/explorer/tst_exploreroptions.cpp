#include "FileModes.h"
#include "explorer/ConnectionForm.h"
#include "explorer/ExplorerSettingsStore.h"
#include "explorer/SweepForm.h"
#include "options/ExplorerCommandLine.h"
#include "output/PrivateFile.h"
#include "sweep/ChoiceSetting.h"
#include "sweep/IncidentFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace tovik;
using namespace tovik::test;

class tst_ExplorerOptions : public QObject
{
    Q_OBJECT

private slots:
    void init() { qunsetenv("TOVIK_PASSWORD"); }
    void defaultsAreTheTesters();
    void options_data();
    void options();
    void refused_data();
    void refused();
    void passwordFromEnvironmentOrFile();
    void passwordFileModes_data();
    void passwordFileModes();
    void securityOptions_data();
    void securityOptions();
    void givenCertificateChoiceReplacesRemembered();
    void securityRefused_data();
    void securityRefused();
    void uncheckedCertificateOptionsNoticed_data();
    void uncheckedCertificateOptionsNoticed();
    void ignoredPortNoticed_data();
    void ignoredPortNoticed();
    void settingsRememberedWithoutPassword();
    void existingSettingsFileMadePrivate();
    void everyStartOpensAtTheDefaults_data();
    void everyStartOpensAtTheDefaults();
    void earlierSettingsFileOpens_data();
    void earlierSettingsFileOpens();
};

namespace {

// A file of the text given in a folder that lasts as long as the test, for the rows that name one.
QString incidentsFile(const QString &name, const QByteArray &text)
{
    static const QTemporaryDir dir;
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return file.fileName();
}

const QByteArray kBadIncidents = "start,end,device\n"
                                 "2026-01-01 10:00:00,2026-01-01 11:00:00,core-01\n"
                                 "2026-01-01 12:00:00,2026-01-01 11:00:00,core-01\n";

// What a choice holds at one setting, as the settings file would hold it.
QString storedText(const SweepChoice &choice, const QString &key)
{
    for (const ChoiceSetting &setting : ChoiceSetting::all()) {
        if (setting.key == key)
            return setting.value(choice).toString();
    }
    return QStringLiteral("<no setting %1>").arg(key);
}

// The explorer's settings as a file written before the settings were described in one table.
const QByteArray kEarlierSettingsFile = R"([alarm]
monitoringStart=7
monitoringStop=19
occurrences=4
threshold=60

[connection]
auth=local
caFile=/etc/ca.pem
database=MON
encrypt=mandatory
hostNameInCertificate=db7.lan
loginTimeout=20
port=1500
server=db7
trustServerCertificate=true
user=ops

[range]
fixed=true
from=2026-01-01 00:00:00
lastHours=72
to=2026-01-03 00:00:00

[tuning]
budget=12.5
)";

} // namespace

void tst_ExplorerOptions::defaultsAreTheTesters()
{
    const auto parsed = ExplorerCommandLine::parse({"explorer"}, SweepChoice());
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
    const SweepChoice &s = parsed.settings;
    QCOMPARE(s.connection.fields.SqlConnType, "Windows Authentication");
    QVERIFY(s.connection.fields.SqlDbServer.endsWith("\\SNMPCONLINE"));
    QCOMPARE(s.connection.fields.SqlDbPort, "1433");
    QCOMPARE(s.connection.fields.SqlDatabase, "SNMPCONLINE");
    QCOMPARE(s.connection.fields.SqlDbUser, "sa");
    QCOMPARE(s.connection.loginTimeoutSeconds, 15);
    QCOMPARE(s.lastHours, 48);
    QCOMPARE(s.monStartHour, qint16(6));
    QCOMPARE(s.monStopHour, qint16(23));
    QCOMPARE(s.threshold, qint16(4));
    QCOMPARE(s.occurrences, qint16(1));
    QVERIFY(!parsed.runAtStart);
}

void tst_ExplorerOptions::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    QTest::newRow("auth remote") << QStringList {"--auth", "remote"} << "auth"
                                 << "Remote SQL Authentication";
    QTest::newRow("auth local") << QStringList {"--auth=local"} << "auth"
                                << "Local SQL Authentication";
    QTest::newRow("server") << QStringList {"--server", "db\\X"} << "server"
                            << "db\\X";
    QTest::newRow("port") << QStringList {"--port", "1500"} << "port"
                          << "1500";
    QTest::newRow("database") << QStringList {"--database", "MON"} << "database"
                              << "MON";
    QTest::newRow("user") << QStringList {"--user", "ops"} << "user"
                          << "ops";
    QTest::newRow("login timeout") << QStringList {"--login-timeout", "0"} << "timeout"
                                   << "0";
    QTest::newRow("last") << QStringList {"--last", "72"} << "last"
                          << "72";
    QTest::newRow("from and to") << QStringList {"--from", "2026-01-01 00:00:00", "--to",
        "2026-01-02 00:00:00"} << "range"
                                 << "2026-01-01 00:00:00/2026-01-02 00:00:00";
    QTest::newRow("threshold") << QStringList {"--threshold", "75"} << "threshold"
                               << "75";
    QTest::newRow("occurrences") << QStringList {"--occurrences", "3"} << "occurrences"
                                 << "3";
    QTest::newRow("monitoring") << QStringList {"--monitoring", "0-24"} << "monitoring"
                                << "0-24";
    QTest::newRow("run") << QStringList {"--run"} << "run"
                         << "true";
    QTest::newRow("incidents") << QStringList {"--incidents",
        incidentsFile("good.csv",
            "start,end,device,note\n2026-01-01 10:00:00,2026-01-01 11:00:00,,\"a, b\"\n"
            "2026-01-01 12:00:00,2026-01-01 13:00:00,core-01,\n")}
                               << "incidents"
                               << "2: any device a, b; core-01";
}

namespace {

// "2: any device a, b; core-01": how many incidents were read, their devices and notes.
QString incidentsSeen(const ExplorerCommandLine::Result &parsed)
{
    if (!parsed.incidents)
        return QStringLiteral("none");
    QStringList seen;
    for (const Incident &incident : *parsed.incidents)
        seen << (incident.isAnyDevice() ? QStringLiteral("any device ") + incident.note
                                        : incident.device + incident.note);
    return QStringLiteral("%1: %2").arg(parsed.incidents->size()).arg(seen.join("; "));
}

} // namespace

void tst_ExplorerOptions::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, field);
    QFETCH(QString, value);

    const auto parsed = ExplorerCommandLine::parse(QStringList {"explorer"} + arguments, {});
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
    const SweepChoice &s = parsed.settings;
    const QHash<QString, QString> seen {
        {"auth", s.connection.fields.SqlConnType},
        {"server", s.connection.fields.SqlDbServer},
        {"port", s.connection.fields.SqlDbPort},
        {"database", s.connection.fields.SqlDatabase},
        {"user", s.connection.fields.SqlDbUser},
        {"timeout", QString::number(s.connection.loginTimeoutSeconds)},
        {"last", QString::number(s.lastHours)},
        {"range", s.fixedRange ? s.from + '/' + s.to : "none"},
        {"threshold", QString::number(s.threshold)},
        {"occurrences", QString::number(s.occurrences)},
        {"monitoring", QString("%1-%2").arg(s.monStartHour).arg(s.monStopHour)},
        {"run", parsed.runAtStart ? "true" : "false"},
        {"incidents", incidentsSeen(parsed)},
    };
    QCOMPARE(seen.value(field), value);
}

void tst_ExplorerOptions::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("password on the command line")
        << QStringList {"--password", "x"} << "Unknown option 'password'.";
    QTest::newRow("unknown auth") << QStringList {"--auth", "kerberos"}
                                  << "--auth takes windows, local or remote, not 'kerberos'";
    QTest::newRow("negative timeout") << QStringList {"--login-timeout", "-1"}
                                      << "--login-timeout takes whole seconds from 0 on, not '-1'";
    QTest::newRow("last 0") << QStringList {"--last", "0"}
                            << "--last takes 1 to 744 hours, not '0'";
    QTest::newRow("from without to") << QStringList {"--from", "2026-01-01 00:00:00"}
                                     << "a range is --last H, or --from and --to together";
    QTest::newRow("reversed range")
        << QStringList {"--from", "2026-01-02 00:00:00", "--to", "2026-01-01 00:00:00"}
        << "The range ends at 2026-01-01 00:00:00, before it starts at 2026-01-02 00:00:00.";
    QTest::newRow("threshold no number")
        << QStringList {"--threshold", "high"} << "--threshold: \"high\" is not a number";
    QTest::newRow("port beyond 65535")
        << QStringList {"--port", "65536"} << "--port takes 1 to 65535, not '65536'";
    QTest::newRow("port no number")
        << QStringList {"--port", "abc"} << "--port takes 1 to 65535, not 'abc'";
    QTest::newRow("monitoring stop 25") << QStringList {"--monitoring", "6-25"}
                                        << "--monitoring takes START-STOP, START 0 to 23 and "
                                           "STOP 1 to 24, not '6-25'";
    QTest::newRow("monitoring past midnight")
        << QStringList {"--monitoring", "22-6"}
        << "--monitoring 22-6: the monitoring time 22:00 to 06:00 monitors no hour: it does not "
           "wrap past midnight, so its start must come before its stop";
    QTest::newRow("positional") << QStringList {"run"} << "unexpected argument 'run'";
    // The file's own refusal, with its line, and no window.
    const QString bad = incidentsFile("bad.csv", kBadIncidents);
    QString refusal;
    IncidentFile::read(bad, &refusal);
    QTest::newRow("incidents file with a bad line") << QStringList {"--incidents", bad} << refusal;
}

void tst_ExplorerOptions::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QVERIFY(!message.isEmpty());

    const auto parsed = ExplorerCommandLine::parse(QStringList {"explorer"} + arguments, {});
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Refused);
    QCOMPARE(parsed.text, message);
}

void tst_ExplorerOptions::passwordFromEnvironmentOrFile()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("password"));
    QVERIFY(writeFileWithMode(file.fileName(), "from-file\r\nsecond line\n", 0600));
    const QStringList arguments {"explorer", "--password-file", file.fileName()};
    QCOMPARE(ExplorerCommandLine::parse(arguments, {}).settings.connection.fields.SqlDbPass,
        "from-file");
    qputenv("TOVIK_PASSWORD", "from-environment");
    QCOMPARE(ExplorerCommandLine::parse(arguments, {}).settings.connection.fields.SqlDbPass,
        "from-file");
    QCOMPARE(ExplorerCommandLine::parse({"explorer"}, {}).settings.connection.fields.SqlDbPass,
        "from-environment");
    qunsetenv("TOVIK_PASSWORD");
    const auto missing
        = ExplorerCommandLine::parse({"explorer", "--password-file", dir.filePath("none")}, {});
    QCOMPARE(missing.action, ExplorerCommandLine::Action::Refused);
    QVERIFY2(missing.text.startsWith("the password file"), qPrintable(missing.text));
}

// Other users must not read the password; the file's group may, as a monitoring group shares it.
void tst_ExplorerOptions::passwordFileModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("0600") << 0600 << true;
    QTest::newRow("0640") << 0640 << true;
    QTest::newRow("0400") << 0400 << true;
    QTest::newRow("0644") << 0644 << false;
    QTest::newRow("0604") << 0604 << false;
}

void tst_ExplorerOptions::passwordFileModes()
{
    QFETCH(int, mode);
    QFETCH(bool, accepted);

    QTemporaryDir dir;
    const QString path = dir.filePath("password");
    QVERIFY(writeFileWithMode(path, "secret\n", mode));
    const auto parsed = ExplorerCommandLine::parse({"explorer", "--password-file", path}, {});
    if (accepted) {
        QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
        QCOMPARE(parsed.settings.connection.fields.SqlDbPass, "secret");
        return;
    }
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Refused);
    QVERIFY2(
        parsed.text.contains(path) && parsed.text.contains("chmod 600"), qPrintable(parsed.text));
    QVERIFY(!parsed.text.contains("secret"));
}

void tst_ExplorerOptions::securityOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("encryption");
    QTest::addColumn<bool>("trust");
    QTest::addColumn<bool>("caFile");
    QTest::addColumn<QString>("hostName");

    QTest::newRow("defaults") << QStringList {} << "optional" << false << false << "";
    QTest::newRow("mandatory") << QStringList {"--encrypt", "mandatory"} << "mandatory" << false
                               << false << "";
    QTest::newRow("strict, name") << QStringList {"--encrypt=strict", "--host-name-in-certificate",
        "db.example.com"} << "strict"
                                  << false << false << "db.example.com";
    QTest::newRow("mandatory, trusted")
        << QStringList {"--encrypt", "mandatory", "--trust-server-certificate"} << "mandatory"
        << true << false << "";
    QTest::newRow("mandatory, CA file") << QStringList {"--encrypt", "mandatory", "--ca-file", "CA"}
                                        << "mandatory" << false << true << "";
}

void tst_ExplorerOptions::securityOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, encryption);
    QFETCH(bool, trust);
    QFETCH(bool, caFile);
    QFETCH(QString, hostName);

    QTemporaryDir dir;
    const QString ca = dir.filePath("ca.pem");
    QVERIFY(writeFileWithMode(ca, "-----BEGIN CERTIFICATE-----\n", 0644));
    arguments.replaceInStrings(QRegularExpression("^CA$"), ca);
    const auto parsed = ExplorerCommandLine::parse(QStringList {"explorer"} + arguments, {});
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
    const ConnectionSecurity &security = parsed.settings.connection.security;
    QCOMPARE(ConnectionSecurity::wordOf(security.encryption), encryption);
    QCOMPARE(security.trustServerCertificate, trust);
    QCOMPARE(security.caFile, caFile ? ca : QString());
    QCOMPARE(security.hostNameInCertificate, hostName);
    QCOMPARE(parsed.settings.sweep(QDateTime::currentDateTime(), nullptr)->security, security);
}

// A remembered trust gives way to a CA file given now, and the other way round.
void tst_ExplorerOptions::givenCertificateChoiceReplacesRemembered()
{
    QTemporaryDir dir;
    const QString ca = dir.filePath("ca.pem");
    QVERIFY(writeFileWithMode(ca, "-----BEGIN CERTIFICATE-----\n", 0644));
    SweepChoice remembered;
    remembered.connection.security = {EncryptionMode::Mandatory, true, {}, {}};
    const auto checked = ExplorerCommandLine::parse({"explorer", "--ca-file", ca}, remembered);
    QCOMPARE(checked.settings.connection.security,
        (ConnectionSecurity {EncryptionMode::Mandatory, false, ca, {}}));
    remembered.connection.security = checked.settings.connection.security;
    const auto trusted
        = ExplorerCommandLine::parse({"explorer", "--trust-server-certificate"}, remembered);
    QCOMPARE(trusted.settings.connection.security,
        (ConnectionSecurity {EncryptionMode::Mandatory, true, {}, {}}));
}

void tst_ExplorerOptions::securityRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("other mode") << QStringList {"--encrypt", "yes"}
                                << "--encrypt takes optional, mandatory, strict, not 'yes'";
    QTest::newRow("other case") << QStringList {"--encrypt", "Mandatory"}
                                << "--encrypt takes optional, mandatory, strict, not 'Mandatory'";
    QTest::newRow("missing CA file") << QStringList {"--encrypt", "mandatory", "--ca-file",
        "DIR/none.pem"} << "the CA file DIR/none.pem cannot be read";
    QTest::newRow("CA file and trust")
        << QStringList {"--encrypt", "mandatory", "--ca-file", "DIR/ca.pem",
               "--trust-server-certificate"}
        << "--trust-server-certificate and --ca-file exclude each other: a trusted certificate "
           "is not checked";
}

void tst_ExplorerOptions::securityRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(writeFileWithMode(dir.filePath("ca.pem"), "-----BEGIN CERTIFICATE-----\n", 0644));
    arguments.replaceInStrings("DIR", dir.path());
    const auto parsed = ExplorerCommandLine::parse(QStringList {"explorer"} + arguments, {});
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Refused);
    QCOMPARE(parsed.text, message.replace("DIR", dir.path()));
}

void tst_ExplorerOptions::uncheckedCertificateOptionsNoticed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("ignored");

    QTest::newRow("optional with name") << QStringList {"--host-name-in-certificate", "db"}
                                        << QStringList {"--host-name-in-certificate"};
    QTest::newRow("optional with CA file")
        << QStringList {"--ca-file", "CA"} << QStringList {"--ca-file"};
    QTest::newRow("trusted with name") << QStringList {"--encrypt", "mandatory",
        "--trust-server-certificate", "--host-name-in-certificate", "db"}
                                       << QStringList {"--host-name-in-certificate"};
    QTest::newRow("checked") << QStringList {"--encrypt", "mandatory", "--ca-file", "CA",
        "--host-name-in-certificate", "db"}
                             << QStringList {};
}

void tst_ExplorerOptions::uncheckedCertificateOptionsNoticed()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, ignored);

    QTemporaryDir dir;
    const QString ca = dir.filePath("ca.pem");
    QVERIFY(writeFileWithMode(ca, "-----BEGIN CERTIFICATE-----\n", 0600));
    arguments.replaceInStrings(QRegularExpression("^CA$"), ca);
    const auto parsed = ExplorerCommandLine::parse(QStringList {"explorer"} + arguments, {});
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
    QStringList noticed;
    for (const QString &line : parsed.notice.split(u'\n', Qt::SkipEmptyParts))
        noticed << line.section(u' ', 0, 0);
    QCOMPARE(noticed, ignored);
}

void tst_ExplorerOptions::ignoredPortNoticed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("noticed");

    QTest::newRow("local with a port") << QStringList {"--auth", "local", "--port", "1444"} << true;
    QTest::newRow("windows with a port")
        << QStringList {"--auth", "windows", "--port", "1444"} << true;
    QTest::newRow("local without a port") << QStringList {"--auth", "local"} << false;
    QTest::newRow("remote with a port")
        << QStringList {"--auth", "remote", "--port", "1444"} << false;
}

void tst_ExplorerOptions::ignoredPortNoticed()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, noticed);

    const auto parsed = ExplorerCommandLine::parse(QStringList {"explorer"} + arguments, {});
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
    QCOMPARE(parsed.notice.contains("--port is ignored"), noticed);
    QCOMPARE(parsed.notice.isEmpty(), !noticed);
}

void tst_ExplorerOptions::settingsRememberedWithoutPassword()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Tovik/explorer.conf");
    SweepChoice settings;
    settings.connection.fields.SqlConnType = "Local SQL Authentication";
    settings.connection.fields.SqlDbServer = "db7";
    settings.connection.fields.SqlDbPass = "Secret-Pass";
    settings.fixedRange = true;
    settings.from = "2026-01-01 00:00:00";
    settings.to = "2026-01-03 00:00:00";
    settings.threshold = 60;
    settings.occurrences = 4;
    settings.connection.security = {EncryptionMode::Mandatory, false, "/etc/ca.pem", "db7.lan"};
    const mode_t previous = ::umask(0);
    QString reason;
    const bool written = ExplorerSettingsStore::write(path, settings, &reason);
    ::umask(previous);
    QVERIFY2(written, qPrintable(reason));
    QSettings store(path, QSettings::IniFormat);
    const SweepChoice loaded = ExplorerSettingsStore::load(store);
    QCOMPARE(loaded.connection.fields.SqlConnType, "Local SQL Authentication");
    QCOMPARE(loaded.connection.fields.SqlDbServer, "db7");
    QCOMPARE(loaded.connection.fields.SqlDbPass, QString());
    QVERIFY(loaded.fixedRange);
    QCOMPARE(loaded.to, "2026-01-03 00:00:00");
    QCOMPARE(loaded.threshold, qint16(60));
    QCOMPARE(loaded.occurrences, qint16(4));
    QCOMPARE(loaded.connection.security, settings.connection.security);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("db7"));
    QVERIFY(!text.contains("Secret-Pass"));
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
    QCOMPARE(::stat(QFile::encodeName(dir.filePath("Tovik")).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0700));
}

// A file left readable by others from an older start loses that with the next write; a device
// there stays a device.
void tst_ExplorerOptions::existingSettingsFileMadePrivate()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("explorer.conf");
    QVERIFY(writeFileWithMode(path, "[range]\nlastHours=5\n", 0644));
    SweepChoice settings;
    settings.lastHours = 12;

    QString reason;
    QVERIFY2(ExplorerSettingsStore::write(path, settings, &reason), qPrintable(reason));
    QCOMPARE(fileMode(path), 0600);
    QSettings store(path, QSettings::IniFormat);
    QCOMPARE(ExplorerSettingsStore::load(store).lastHours, 12);

    const QString device = dir.filePath("null.conf");
    if (!makeMemoryDevice(device, 3))
        QSKIP("making a device needs root");
    QVERIFY2(ExplorerSettingsStore::write(device, settings, &reason), qPrintable(reason));
    QCOMPARE(fileKind(device), 'c');
}

// The forms, a store without the setting and the command line without its option all start from
// the one default the setting is described with.
void tst_ExplorerOptions::everyStartOpensAtTheDefaults_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString host = QSysInfo::machineHostName();
    QTest::newRow("auth") << "connection/auth"
                          << "windows";
    QTest::newRow("server") << "connection/server" << host + "\\SNMPCONLINE";
    QTest::newRow("port") << "connection/port"
                          << "1433";
    QTest::newRow("database") << "connection/database"
                              << "SNMPCONLINE";
    QTest::newRow("user") << "connection/user"
                          << "sa";
    QTest::newRow("login timeout") << "connection/loginTimeout"
                                   << "15";
    QTest::newRow("encrypt") << "connection/encrypt"
                             << "optional";
    QTest::newRow("trust") << "connection/trustServerCertificate"
                           << "false";
    QTest::newRow("CA file") << "connection/caFile"
                             << "";
    QTest::newRow("name in certificate") << "connection/hostNameInCertificate"
                                         << "";
    QTest::newRow("last hours") << "range/lastHours"
                                << "48";
    QTest::newRow("fixed") << "range/fixed"
                           << "false";
    QTest::newRow("monitoring start") << "alarm/monitoringStart"
                                      << "6";
    QTest::newRow("monitoring stop") << "alarm/monitoringStop"
                                     << "23";
    QTest::newRow("threshold") << "alarm/threshold"
                               << "4";
    QTest::newRow("occurrences") << "alarm/occurrences"
                                 << "1";
}

void tst_ExplorerOptions::everyStartOpensAtTheDefaults()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QSettings empty(dir.filePath("empty.conf"), QSettings::IniFormat);
    const SweepChoice stored = ExplorerSettingsStore::load(empty);
    QCOMPARE(storedText(stored, key), expected);

    const auto parsed = ExplorerCommandLine::parse({"explorer"}, stored);
    QCOMPARE(parsed.action, ExplorerCommandLine::Action::Open);
    QCOMPARE(storedText(parsed.settings, key), expected);

    const ConnectionForm connection;
    SweepChoice shown = SweepForm().choice();
    shown.connection = connection.choice();
    QCOMPARE(storedText(shown, key), expected);
}

void tst_ExplorerOptions::earlierSettingsFileOpens_data()
{
    QTest::addColumn<QString>("key");

    for (const ChoiceSetting &setting : ChoiceSetting::all())
        QTest::newRow(qPrintable(setting.key)) << setting.key;
}

// A file of an earlier start opens with every value it holds, and is written back alike.
void tst_ExplorerOptions::earlierSettingsFileOpens()
{
    QFETCH(QString, key);

    QTemporaryDir dir;
    const QString earlierPath = dir.filePath("earlier.conf");
    QVERIFY(writeFileWithMode(earlierPath, kEarlierSettingsFile, 0600));
    const QSettings earlier(earlierPath, QSettings::IniFormat);
    QVERIFY2(earlier.contains(key), qPrintable(key));
    const SweepChoice loaded = ExplorerSettingsStore::load(earlier);
    QCOMPARE(storedText(loaded, key), earlier.value(key).toString());
    QVERIFY(storedText(loaded, key) != storedText(SweepChoice(), key));

    const QString againPath = dir.filePath("again.conf");
    QString reason;
    QVERIFY2(ExplorerSettingsStore::write(againPath, loaded, &reason), qPrintable(reason));
    const QSettings again(againPath, QSettings::IniFormat);
    QCOMPARE(again.value(key).toString(), earlier.value(key).toString());
}

QTEST_MAIN(tst_ExplorerOptions)
#include "tst_exploreroptions.moc"
