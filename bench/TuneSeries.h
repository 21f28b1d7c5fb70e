#pragma once

#include "BenchOptions.h"
#include "SweepData.h"

namespace tovik::bench {

// The tuning benchmark at R x N x H: the tuning of every threshold of the standard ladder against
// occurrences 1 to 12 (its one aggregate query per report and its surface) against a bare replay
// of its statements and against the 20 sweeps, one per threshold, that it replaces; its peak
// memory; then the summary line.
class TuneSeries
{
public:
    explicit TuneSeries(BenchOptions options);
    // The process exit code: 0 when every figure was measured.
    int exec();

private:
    bool measureTune(QString *failure);
    bool measureSweeps(QString *failure);
    void print() const;

    BenchOptions m_options;
    SweepData m_data;
    qint64 m_tuneNs = 0;
    // Of the best tuning: the surface's part, after the queries.
    qint64 m_surfaceNs = 0;
    qint64 m_replayNs = 0;
    qint64 m_rows = 0;
    qsizetype m_statements = 0;
    qint64 m_peakBeyondIdleKib = 0;
    qint64 m_sweepsNs = 0;
    int m_sweeps = 0;
};

} // namespace tovik::bench
