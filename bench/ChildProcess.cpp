#include "ChildProcess.h"

#include <QCoreApplication>
#include <QProcess>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace tovik::bench {

namespace {

constexpr int childTimeoutMs = 2 * 60 * 60 * 1000;

} // namespace

std::optional<ChildReport> runChildProcess(const QStringList &arguments, QString *failure)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(arguments);
#ifdef Q_OS_LINUX
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    process.start();
    if (!process.waitForFinished(childTimeoutMs)) {
        *failure = QStringLiteral("the child %1 did not finish: %2")
                       .arg(arguments.value(0), process.errorString());
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *failure = QStringLiteral("the child %1 failed: %2")
                       .arg(arguments.value(0),
                           QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return std::nullopt;
    }
    return ChildReport::parse(process.readAllStandardOutput());
}

} // namespace tovik::bench
