#include "SampleServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace tovik::test {

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;
constexpr quint16 kBrowserPort = 1434;

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// "#<spid> <KIND>[ <detail>]"; nothing for a line of another form.
std::optional<LoggedRequest> loggedRequest(QStringView line)
{
    static const QRegularExpression form(QStringLiteral("^#(\\d+) (\\S+) ?(.*)$"));
    const QRegularExpressionMatch match = form.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    QString detail = match.captured(3);
    detail.replace(QLatin1String("\\r"), QLatin1String("\r"));
    detail.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return LoggedRequest {match.captured(1).toInt(), match.captured(2), detail};
}

} // namespace

QString sampleServerPath()
{
    return qEnvironmentVariable("TOVIK_SAMPLE_SERVER");
}

SampleServer::SampleServer(Options options)
    : m_options(std::move(options))
{
}

SampleServer::~SampleServer()
{
    stop();
}

QStringList SampleServer::arguments() const
{
    QStringList arguments {"serve", "--data", m_options.dataDir, "--listen", m_options.listen,
        "--port", QString::number(m_options.port), "--instance", m_options.instance,
        "--browser-port", QString::number(m_options.browser ? kBrowserPort : 0), "--log",
        m_workDir.filePath("server.log")};
    for (const QString &login : m_options.logins)
        arguments << "--login" << login;
    if (m_options.delayMs > 0)
        arguments << "--delay-ms" << QString::number(m_options.delayMs);
    if (m_options.delayFrom > 0)
        arguments << "--delay-from" << QString::number(m_options.delayFrom);
    if (!m_options.defaultLanguage.isEmpty())
        arguments << "--default-language" << m_options.defaultLanguage;
    if (m_options.dropAfter > 0)
        arguments << "--drop-after" << QString::number(m_options.dropAfter);
    if (!m_options.certificate.isEmpty())
        arguments << "--certificate" << m_options.certificate << "--key" << m_options.key;
    if (m_options.forceEncryption)
        arguments << "--force-encryption";
    if (!m_options.kerberosKeytab.isEmpty())
        arguments << "--kerberos-keytab" << m_options.kerberosKeytab;
    for (const QString &principal : m_options.windowsLogins)
        arguments << "--windows-login" << principal;
    return arguments;
}

std::unique_ptr<SampleServer> SampleServer::started(Options options)
{
    auto server = std::make_unique<SampleServer>(std::move(options));
    QString error;
    if (!server->start(&error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return server;
}

bool SampleServer::start(QString *error)
{
    stop();
    if (sampleServerPath().isEmpty()) {
        if (error)
            *error = "TOVIK_SAMPLE_SERVER is not set";
        return false;
    }
    // The browser port is one per machine: wait while another test's server holds it.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (true) {
        if (startOnce(error))
            return true;
        const bool browserBusy = m_options.browser && errorOutput().contains("UDP");
        if (!browserBusy || deadline.hasExpired())
            return false;
        QThread::msleep(200);
    }
}

bool SampleServer::startOnce(QString *error)
{
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(sampleServerPath());
    m_process->setArguments(arguments());
    m_process->setStandardErrorFile(m_workDir.filePath("stderr.txt"));
#ifdef Q_OS_LINUX
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    m_process->start();
    if (!m_process->waitForStarted(kStartTimeoutMs)) {
        if (error)
            *error = "cannot start " + sampleServerPath() + ": " + m_process->errorString();
        m_process.reset();
        return false;
    }
    if (waitForListening(kStartTimeoutMs, error))
        return true;
    stop();
    return false;
}

bool SampleServer::waitForListening(int timeoutMs, QString *error)
{
    static const QRegularExpression listening("^listening on (.+):(\\d+)\\s*$");
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process->canReadLine()) {
            const QString line = QString::fromUtf8(m_process->readLine());
            const auto match = listening.match(line);
            if (match.hasMatch()) {
                m_port = match.captured(2).toUShort();
                return true;
            }
            continue;
        }
        if (m_process->state() != QProcess::Running)
            break;
        m_process->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
    if (error) {
        *error = "the sample server did not start listening: " + errorOutput().trimmed();
    }
    return false;
}

void SampleServer::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(kStopTimeoutMs)) {
            m_process->kill();
            m_process->waitForFinished(kStopTimeoutMs);
        }
    }
    m_process.reset();
}

qint64 SampleServer::pid() const
{
    return m_process ? m_process->processId() : 0;
}

QString SampleServer::logText() const
{
    return readFile(m_workDir.filePath("server.log"));
}

QList<LoggedRequest> SampleServer::loggedRequests() const
{
    QList<LoggedRequest> requests;
    const QString log = logText();
    for (const QStringView line : QStringView(log).split(u'\n', Qt::SkipEmptyParts)) {
        if (const auto request = loggedRequest(line))
            requests << *request;
    }
    return requests;
}

QString SampleServer::errorOutput() const
{
    return readFile(m_workDir.filePath("stderr.txt"));
}

} // namespace tovik::test
