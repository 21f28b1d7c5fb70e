#include "cli/CheckApplication.h"

#include "cli/SweepCheckCommandLine.h"

#include <QGuiApplication>

namespace tovik {

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// The platform's start-up warns of what only a desktop session has (XDG_RUNTIME_DIR, which a cron
// job lacks); the report goes to a file, and standard error keeps the check's own lines alone.
std::unique_ptr<QCoreApplication> quietGuiApplication(int &argc, char **argv)
{
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(previous);
    return app;
}

} // namespace

std::unique_ptr<QCoreApplication> makeCheckApplication(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!SweepCheckCommandLine::asksForReport(arguments))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return quietGuiApplication(argc, argv);
}

} // namespace tovik
