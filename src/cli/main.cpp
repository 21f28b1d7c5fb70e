#include "cli/CheckApplication.h"
#include "cli/CpuCheck.h"

int main(int argc, char *argv[])
{
    const auto app = tovik::makeCheckApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovik-cpu-check"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOVIK_VERSION));
    return tovik::runCpuCheck(QCoreApplication::arguments());
}
