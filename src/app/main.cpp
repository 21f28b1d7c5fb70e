#include "app/FrmMonitorSrvCpu.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovik SQL Tester"));
    tovik::FrmMonitorSrvCpu window;
    window.show();
    window.startUp();
    return QApplication::exec();
}
