#pragma once

#include "BenchHost.h"

#include <QList>

namespace tovik::bench {

// One whole test run as its child process measured it.
struct RunFigures
{
    qint64 runNs = 0;
    qint64 cpuUs = 0;
    qint64 idleKib = 0;
    qint64 peakKib = 0;
    qint64 logBytes = 0;
    QList<WaitBlock> waits;

    qint64 waitNs() const
    {
        qint64 total = 0;
        for (const WaitBlock &wait : waits)
            total += wait.nanoseconds;
        return total;
    }
    // The run's own work and its queries: the run without the fixed waits.
    qint64 workNs() const { return runNs - waitNs(); }
};

// One bare replay of the run's SQL texts, connect and close included.
struct ReplayFigures
{
    qint64 replayNs = 0;
    qint64 connectNs = 0;
    qint64 cpuUs = 0;
    qint64 idleKib = 0;
    qint64 peakKib = 0;
    qint64 rows = 0;
};

// The figures of one size: the best run and the best replay of all repetitions, and the memory of
// the run that needed the most.
struct SizeFigures
{
    int reports = 0;
    int nodes = 0;
    qsizetype queries = 0;
    int repeats = 0;
    qint64 generateMs = 0;
    RunFigures run;
    ReplayFigures replay;
    // Of the run with the highest peak beyond its idle memory.
    qint64 idleKib = 0;
    qint64 peakKib = 0;

    double ratio() const { return double(run.workNs()) / double(replay.replayNs); }
    double ratioWithWaits() const { return double(run.runNs) / double(replay.replayNs); }
    qint64 peakBeyondIdleKib() const { return peakKib - idleKib; }
};

// The small query's round trip, through Qt and through raw ODBC.
struct RoundTripFigures
{
    int count = 0;
    double qtMicros = 0;
    double odbcMicros = 0;
};

} // namespace tovik::bench
