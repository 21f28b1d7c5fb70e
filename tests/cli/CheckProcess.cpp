#include "CheckProcess.h"

#include <QFile>
#include <QProcess>

namespace tovik::test {

CheckRun runCheck(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    QProcessEnvironment env
        = environment.isEmpty() ? QProcessEnvironment::systemEnvironment() : environment;
    if (environment.isEmpty())
        env.remove("TOVIK_PASSWORD");
    process.setProcessEnvironment(env);
    process.start(TOVIK_CPU_CHECK, arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), process.readAllStandardError()};
}

QProcessEnvironment withPassword(const QString &value)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TOVIK_PASSWORD", value);
    return env;
}

QString statusLine(const CheckRun &run)
{
    return QString::fromLocal8Bit(run.out).trimmed();
}

QString errorLine(const CheckRun &run)
{
    return QString::fromLocal8Bit(run.err).trimmed();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace tovik::test
