#pragma once

#include "BenchOptions.h"
#include "SweepData.h"

namespace tovik::bench {

// What the tuning benchmark measured over one range of hours.
struct TuneFigures
{
    int hours = 0;
    qint64 tuneNs = 0;
    // Of the best tuning: the surface's part and its json, once the rows were read and counted.
    qint64 surfaceNs = 0;
    // 0 when the replay was not measured.
    qint64 replayNs = 0;
    qint64 rows = 0;
    qsizetype statements = 0;
    qint64 peakBeyondIdleKib = 0;
    qint64 sweepsNs = 0;
    int sweeps = 0;
    // The tuning scored against an incidents file, with a budget; 0 when not measured.
    qint64 incidentsTuneNs = 0;
    // Of the best of those: its answers once the rows were read and counted.
    qint64 incidentsAnswersNs = 0;
    qint64 incidentsPeakBeyondIdleKib = 0;

    double ratio() const { return double(tuneNs) / double(replayNs); }
    double speedup() const { return double(sweepsNs) / double(tuneNs); }
    double memoryMib() const { return double(peakBeyondIdleKib) / 1024.0; }
    double incidentsSpeedup() const { return double(sweepsNs) / double(incidentsTuneNs); }
    double incidentsMemoryMib() const { return double(incidentsPeakBeyondIdleKib) / 1024.0; }
};

// The tuning benchmark at R x N x H: the tuning of every threshold of the standard ladder against
// occurrences 1 to 12 (its one aggregate query per report, its surface counted as the rows are
// read) against a bare replay of its statements and against the 20 sweeps, one per threshold,
// that it replaces; its peak memory; the same tuning scored against a file of 1,000 incidents
// with a budget, as `tune --incidents --budget` counts it, against the same sweeps; then the same
// but the replay and the incidents over a week, to show how time and memory grow with the hours;
// then the summary line.
class TuneSeries
{
public:
    explicit TuneSeries(BenchOptions options);
    // The process exit code: 0 when every figure was measured.
    int exec();

private:
    // The figures over hours, the replay's and the incidents' only when full.
    std::optional<TuneFigures> measure(int hours, bool full, QString *failure) const;
    static bool measureTune(const BenchOptions &options, SweepData &data, bool withReplay,
        TuneFigures *figures, QString *failure);
    static bool measureIncidentTune(
        BenchOptions options, SweepData &data, TuneFigures *figures, QString *failure);
    static bool measureSweeps(
        const BenchOptions &options, SweepData &data, TuneFigures *figures, QString *failure);
    void print(const TuneFigures &given, const TuneFigures &week) const;

    BenchOptions m_options;
};

} // namespace tovik::bench
