#include "KerberosRealm.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

namespace tovik::test {

namespace {

constexpr int kToolTimeoutMs = 20000;
constexpr int kKdcStartTimeoutMs = 10000;
const QStringList kSystemPaths {"/usr/sbin", "/sbin", "/usr/bin", "/bin"};
const QString kPackages = "krb5-kdc krb5-admin-server krb5-user libkrb5-dev";
const QString kMasterPassword = "Master-pw1";

QString tool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, kSystemPaths) : found;
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool writeFile(const QString &path, const QString &text, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size())
        return true;
    *error = "cannot write " + path;
    return false;
}

QString clientConfig(const QString &defaultRealm, quint16 port)
{
    return QString("[libdefaults]\n"
                   "    default_realm = %1\n"
                   "    dns_lookup_kdc = false\n"
                   "    dns_lookup_realm = false\n"
                   "    dns_canonicalize_hostname = false\n"
                   "    rdns = false\n"
                   "    udp_preference_limit = 1\n"
                   // A ticket counts as ended a second after its end, not five minutes.
                   "    clockskew = 1\n"
                   "[realms]\n"
                   "    %2 = {\n"
                   "        kdc = 127.0.0.1:%3\n"
                   "    }\n")
        .arg(defaultRealm, KerberosRealm::kRealm)
        .arg(port);
}

} // namespace

KerberosRealm::KerberosRealm() = default;

KerberosRealm::~KerberosRealm()
{
    if (m_kdc && m_kdc->state() != QProcess::NotRunning) {
        m_kdc->terminate();
        if (!m_kdc->waitForFinished(kToolTimeoutMs))
            m_kdc->kill();
        m_kdc->waitForFinished(kToolTimeoutMs);
    }
    for (const QString &name : std::as_const(m_setVariables))
        qunsetenv(qPrintable(name));
}

QString KerberosRealm::unavailableReason()
{
#ifndef TOVIK_SAMPLE_SERVER_KERBEROS
    return "the sample server was built without Kerberos; install " + kPackages
        + " (scripts/setup does) and configure the build again";
#else
    for (const char *name : {"kdb5_util", "kadmin.local", "krb5kdc", "kinit", "klist"}) {
        if (tool(name).isEmpty())
            return QString("%1 is missing; install %2 (scripts/setup does)").arg(name, kPackages);
    }
    return {};
#endif
}

bool KerberosRealm::start(QString *error)
{
    if (!m_dir.isValid()) {
        *error = "no temporary directory";
        return false;
    }
    const quint16 port = freeLoopbackPort();
    if (port == 0 || !writeConfigs(port, error))
        return false;
    const QList<QPair<QString, QString>> variables {{"KRB5_CONFIG", path("krb5.conf")},
        {"KRB5_KDC_PROFILE", path("kdc.conf")}, {"KRB5CCNAME", "FILE:" + cache()},
        {"KRB5RCACHEDIR", m_dir.path()}};
    for (const auto &[name, value] : variables) {
        qputenv(qPrintable(name), value.toLocal8Bit());
        m_setVariables << name;
    }
    const QString realm = kRealm;
    if (!run(tool("kdb5_util"), {"create", "-s", "-r", realm, "-P", kMasterPassword}, error))
        return false;
    for (const QString user : {kUser, kOtherUser}) {
        if (!run(tool("kadmin.local"),
                {"-r", realm, "-q", QString("addprinc -pw %1 %2").arg(kPassword, user)}, error))
            return false;
    }
    // The keytab holds the default port's service from the start, so that a server can use it
    // before the tests add the services of the ports their servers got.
    if (!addService("MSSQLSvc/localhost:1433", error))
        return false;
    m_kdc = std::make_unique<QProcess>();
    m_kdc->setProcessChannelMode(QProcess::MergedChannels);
    m_kdc->start(tool("krb5kdc"), {"-n", "-r", realm});
    return waitForKdc(port, error);
}

bool KerberosRealm::writeConfigs(quint16 port, QString *error)
{
    const QString kdc
        = QString("[kdcdefaults]\n"
                  // TCP only (the clients ask over TCP), so that only the TCP port must be free.
                  "    kdc_listen = \"\"\n"
                  "    kdc_tcp_listen = 127.0.0.1:%1\n"
                  "[realms]\n"
                  "    %2 = {\n"
                  "        database_name = %3\n"
                  "        key_stash_file = %4\n"
                  "        acl_file = %5\n"
                  "    }\n"
                  "[logging]\n"
                  "    kdc = FILE:%6\n")
              .arg(port)
              .arg(kRealm, path("principal"), path("stash"), path("kadm5.acl"), path("kdc.log"));
    return writeFile(path("krb5.conf"), clientConfig(kRealm, port), error)
        && writeFile(foreignRealmConfig(), clientConfig("OTHER.TEST", port), error)
        && writeFile(path("kdc.conf"), kdc, error) && writeFile(path("kadm5.acl"), {}, error);
}

bool KerberosRealm::waitForKdc(quint16 port, QString *error)
{
    const QDeadlineTimer deadline(kKdcStartTimeoutMs);
    while (!deadline.hasExpired() && m_kdc->state() != QProcess::NotRunning) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(static_cast<int>(deadline.remainingTime())))
            return true;
        m_kdc->waitForReadyRead(100);
    }
    *error = "the KDC did not start: " + QString::fromLocal8Bit(m_kdc->readAll()).trimmed();
    return false;
}

bool KerberosRealm::addService(const QString &principal, QString *error)
{
    return run(tool("kadmin.local"), {"-r", kRealm, "-q", "addprinc -randkey " + principal}, error)
        && run(tool("kadmin.local"),
            {"-r", kRealm, "-q", QString("ktadd -k %1 %2").arg(keytab(), principal)}, error);
}

bool KerberosRealm::obtainTicket(const QString &user, QString *error, const QString &lifetime)
{
    QStringList arguments;
    if (!lifetime.isEmpty())
        arguments << "-l" << lifetime;
    return run(tool("kinit"), arguments << principal(user), error, QByteArray(kPassword) + '\n');
}

void KerberosRealm::destroyTickets()
{
    QFile::remove(cache());
}

bool KerberosRealm::ticketExpired() const
{
    QString ignored;
    return !run(tool("klist"), {"-s"}, &ignored);
}

bool KerberosRealm::run(const QString &program, const QStringList &arguments, QString *error,
    const QByteArray &input) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (process.waitForFinished(kToolTimeoutMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0)
        return true;
    *error = QString("%1 %2 failed: %3")
                 .arg(program, arguments.join(' '),
                     QString::fromLocal8Bit(process.readAll()).trimmed());
    return false;
}

} // namespace tovik::test
