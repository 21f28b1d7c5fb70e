#include "BenchOptions.h"
#include "BenchSeries.h"
#include "ExplorerChild.h"
#include "ExplorerSeries.h"
#include "ReplayChild.h"
#include "RunChild.h"
#include "SweepChild.h"
#include "SweepSeries.h"
#include "TuneSeries.h"

#include <QApplication>
#include <QTextStream>
#include <memory>

using namespace tovik::bench;

namespace {

// Only the explorer's child shows a window; every other part of the benchmark runs without one.
std::unique_ptr<QCoreApplication> application(BenchMode mode, int &argc, char **argv)
{
    if (mode != BenchMode::OneExplorer && mode != BenchMode::OneExplorerFirst
        && mode != BenchMode::OneExplorerMonth)
        return std::make_unique<QCoreApplication>(argc, argv);
    // No display: the window paints into its offscreen backing store as it would on screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

int exec(const BenchOptions &options)
{
    switch (options.mode) {
    case BenchMode::OneRun:
        return runOnce(options);
    case BenchMode::OneReplay:
        return replayOnce(options);
    case BenchMode::OneSweep:
        return sweepOnce(options);
    case BenchMode::OneSweepReplay:
        return sweepReplayOnce(options);
    case BenchMode::SweepSeries:
        return SweepSeries(options).exec();
    case BenchMode::TuneSeries:
        return TuneSeries(options).exec();
    case BenchMode::OneTune:
        return tuneOnce(options);
    case BenchMode::OneTuneReplay:
        return tuneReplayOnce(options);
    case BenchMode::ExplorerSeries:
        return ExplorerSeries(options).exec();
    case BenchMode::OneExplorer:
        return explorerOnce(options);
    case BenchMode::OneExplorerFirst:
        return explorerFirstOnce(options);
    case BenchMode::OneExplorerMonth:
        return explorerMonthOnce(options);
    case BenchMode::Series:
        break;
    }
    return BenchSeries(options).exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // The mode decides which application object to make, so the options are read before it.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString failure;
    const auto options = BenchOptions::parse(arguments, &failure);
    if (!options) {
        QTextStream(stderr) << "run_bench: " << failure << "\n" << BenchOptions::usage();
        return 2;
    }
    const auto app = application(options->mode, argc, argv);
    return exec(*options);
}
