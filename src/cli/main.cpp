#include "cli/CpuCheck.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovik-cpu-check"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOVIK_VERSION));
    return tovik::runCpuCheck(QCoreApplication::arguments());
}
