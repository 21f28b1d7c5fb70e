#include "app/FrmMonitorSrvCpu.h"
#include "common/TimeFormats.h"

#include <QApplication>

namespace {

// For the demo tests only: TOVIK_TEST_CLOCK_START ("YYYY-MM-DD HH:MM:SS", local time) starts the
// window's clock at that moment, from where it runs on with the system clock, so that a test can
// open the window at an hour of its choosing. Unset or unreadable, the clock is the system's.
tovik::FrmMonitorSrvCpu::Clock windowClock()
{
    const QString start = qEnvironmentVariable("TOVIK_TEST_CLOCK_START");
    const QDateTime startTime = QDateTime::fromString(start, tovik::TimeFormats::kSecond);
    if (!startTime.isValid())
        return {};
    const qint64 shift = QDateTime::currentDateTime().msecsTo(startTime);
    return [shift] { return QDateTime::currentDateTime().addMSecs(shift); };
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovik SQL Tester"));
    tovik::FrmMonitorSrvCpu window(windowClock());
    window.show();
    window.startUp();
    return QApplication::exec();
}
