#include "RunChild.h"

#include "BenchHost.h"
#include "BenchOptions.h"
#include "ChildReport.h"
#include "ProcessFigures.h"
#include "output/ShowRunLog.h"
#include "testrun/TestRunDriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace tovik::bench {

namespace {

void printWaits(const BenchHost &host)
{
    for (const WaitBlock &wait : host.waits()) {
        ChildReport::print(QStringLiteral("wait"),
            QStringLiteral("%1 %2 %3").arg(wait.cycles).arg(wait.nanoseconds).arg(wait.after));
    }
}

void printOutcome(const BenchHost &host)
{
    for (const QString &warning : host.warnings)
        ChildReport::print(QStringLiteral("warning"), warning);
    for (const QString &path : host.viewerPaths)
        ChildReport::print(QStringLiteral("viewer"), path);
}

} // namespace

int runOnce(const BenchOptions &options)
{
    BenchHost host(options.port, options.threshold);
    host.setReferenceTime(options.referenceTime);
    host.setAppPath(options.appDir);

    // The idle process: Qt's core is up, nothing of the run or of ODBC is loaded yet.
    ProcessFigures::resetPeak();
    const auto idleKib = ProcessFigures::statusKib("VmRSS");
    const qint64 cpuBefore = ProcessFigures::cpuMicroseconds();
    QElapsedTimer timer;
    timer.start();
    TestRunDriver(host).run();
    const qint64 runNs = timer.nsecsElapsed();
    const qint64 cpuUs = ProcessFigures::cpuMicroseconds() - cpuBefore;
    const auto peakKib = ProcessFigures::statusKib("VmHWM");

    ChildReport::print(QStringLiteral("run_ns"), runNs);
    ChildReport::print(QStringLiteral("cpu_us"), cpuUs);
    ChildReport::print(QStringLiteral("idle_kib"), idleKib.value_or(-1));
    ChildReport::print(QStringLiteral("peak_kib"), peakKib.value_or(-1));
    ChildReport::print(QStringLiteral("log_bytes"),
        QFileInfo(QDir(options.appDir).filePath(QLatin1String(RunLogFileName))).size());
    printWaits(host);
    printOutcome(host);
    return 0;
}

} // namespace tovik::bench
