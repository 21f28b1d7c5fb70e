#include "BenchOptions.h"
#include "BenchSeries.h"
#include "ReplayChild.h"
#include "RunChild.h"
#include "SweepChild.h"
#include "SweepSeries.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace tovik::bench;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString failure;
    const auto options = BenchOptions::parse(QCoreApplication::arguments().mid(1), &failure);
    if (!options) {
        QTextStream(stderr) << "run_bench: " << failure << "\n" << BenchOptions::usage();
        return 2;
    }
    switch (options->mode) {
    case BenchMode::OneRun:
        return runOnce(*options);
    case BenchMode::OneReplay:
        return replayOnce(*options);
    case BenchMode::OneSweep:
        return sweepOnce(*options);
    case BenchMode::OneSweepReplay:
        return sweepReplayOnce(*options);
    case BenchMode::SweepSeries:
        return SweepSeries(*options).exec();
    case BenchMode::Series:
        break;
    }
    return BenchSeries(*options).exec();
}
