#include "TuneSeries.h"

#include "BenchIncidents.h"
#include "BenchText.h"
#include "SweepChild.h"
#include "sweep/ThresholdLadder.h"

#include <QDir>
#include <QTextStream>

namespace tovik::bench {

using namespace BenchText;

namespace {

constexpr double kRatioTarget = 1.10;
constexpr double kSpeedupTarget = 15.0;
constexpr int kWeekHours = 168;
// A week's peak memory against that of the given hours: the surface's tallies grow with the
// hours, the node-hours are not kept.
constexpr double kWeekMemoryTarget = 1.25;

} // namespace

TuneSeries::TuneSeries(BenchOptions options)
    : m_options(std::move(options))
{
}

int TuneSeries::exec()
{
    qputenv("TOVIK_SAMPLE_SERVER", m_options.serverPath.toLocal8Bit());
    out() << "run_bench --tune: best of " << m_options.repeat << " for the tuning and its replay"
          << Qt::endl;
    QString failure;
    const auto given = measure(m_options.hours, true, &failure);
    std::optional<TuneFigures> week;
    if (given)
        week = m_options.hours == kWeekHours ? given : measure(kWeekHours, false, &failure);
    if (!week) {
        QTextStream(stderr) << "run_bench --tune: " << failure << Qt::endl;
        return 1;
    }
    print(*given, *week);
    return 0;
}

std::optional<TuneFigures> TuneSeries::measure(int hours, bool full, QString *failure) const
{
    BenchOptions options = m_options;
    options.hours = hours;
    SweepData data;
    TuneFigures figures;
    figures.hours = hours;
    if (!data.prepare(&options, options.nodes.first(), failure)
        || !measureTune(options, data, full, &figures, failure)
        || (full && !measureIncidentTune(options, data, &figures, failure))
        || !measureSweeps(options, data, &figures, failure))
        return std::nullopt;
    data.server().stop();
    return figures;
}

// The tuning, then a replay that must send the very statements the tuning sent, best of repeat.
bool TuneSeries::measureTune(const BenchOptions &options, SweepData &data, bool withReplay,
    TuneFigures *figures, QString *failure)
{
    for (int i = 0; i < options.repeat; ++i) {
        const auto tune
            = data.runChild(options, BenchMode::OneTune, QStringLiteral("tune_ns"), failure);
        if (!tune)
            return false;
        if (withReplay) {
            const auto replay = data.runChild(
                options, BenchMode::OneTuneReplay, QStringLiteral("replay_ns"), failure);
            if (!replay)
                return false;
            if (replay->statements != tune->statements) {
                *failure = QStringLiteral("the replay sent other statements than the tuning");
                return false;
            }
            figures->replayNs = i == 0 ? replay->ns : qMin(figures->replayNs, replay->ns);
        }
        if (i == 0 || tune->ns < figures->tuneNs) {
            figures->tuneNs = tune->ns;
            figures->surfaceNs = tune->report.number(QStringLiteral("surface_ns")).value_or(0);
        }
        figures->peakBeyondIdleKib = qMax(figures->peakBeyondIdleKib, tune->peakBeyondIdleKib);
        figures->rows = tune->rows;
        figures->statements = tune->statements.size();
    }
    return true;
}

// The tuning scored against incidents on the data's own devices, written once into the data's
// working directory; best of repeat.
bool TuneSeries::measureIncidentTune(
    BenchOptions options, SweepData &data, TuneFigures *figures, QString *failure)
{
    options.incidentsFile = QDir(options.appDir).filePath(QStringLiteral("incidents.csv"));
    const auto nodes = BenchIncidents::readNodes(options.port, failure);
    // The look-up's connection is not the tuning's.
    if (!nodes || !data.newConnections(1, failure)
        || !BenchIncidents::write(
            options.incidentsFile, *nodes, tuneSettings(options).range, failure))
        return false;
    for (int i = 0; i < options.repeat; ++i) {
        const auto tune
            = data.runChild(options, BenchMode::OneTune, QStringLiteral("tune_ns"), failure);
        if (!tune)
            return false;
        if (i == 0 || tune->ns < figures->incidentsTuneNs) {
            figures->incidentsTuneNs = tune->ns;
            figures->incidentsAnswersNs
                = tune->report.number(QStringLiteral("surface_ns")).value_or(0);
        }
        figures->incidentsPeakBeyondIdleKib
            = qMax(figures->incidentsPeakBeyondIdleKib, tune->peakBeyondIdleKib);
    }
    return true;
}

// What the tuning replaces: a whole sweep at each threshold of the ladder, once each.
bool TuneSeries::measureSweeps(
    const BenchOptions &options, SweepData &data, TuneFigures *figures, QString *failure)
{
    BenchOptions atThreshold = options;
    const ThresholdLadder ladder = ThresholdLadder::standard();
    for (const qint16 threshold : ladder.thresholds()) {
        atThreshold.threshold = threshold;
        const auto sweep
            = data.runChild(atThreshold, BenchMode::OneSweep, QStringLiteral("sweep_ns"), failure);
        if (!sweep)
            return false;
        figures->sweepsNs += sweep->ns;
        ++figures->sweeps;
    }
    return true;
}

namespace {

void printTune(const TuneFigures &f)
{
    line(QStringLiteral("tune"),
        ms(f.tuneNs)
            + QStringLiteral(", %1 node-hours, %2 statements; the surface and its json %3 of it")
                  .arg(f.rows)
                  .arg(f.statements)
                  .arg(ms(f.surfaceNs)));
}

void printSweeps(const TuneFigures &f)
{
    line(QStringLiteral("sweeps, one a threshold"),
        QStringLiteral("%1 sweeps, %2 in all, %3 each")
            .arg(f.sweeps)
            .arg(ms(f.sweepsNs), ms(f.sweepsNs / qMax(1, f.sweeps))));
    line(QStringLiteral("speed-up"),
        QString::number(f.speedup(), 'f', 1)
            + QStringLiteral(" (target >= 15: %1)").arg(verdict(f.speedup() >= kSpeedupTarget)));
}

void printIncidentTune(const TuneFigures &f)
{
    line(QStringLiteral("tune with incidents"),
        ms(f.incidentsTuneNs)
            + QStringLiteral(", %1 incidents and a budget; the answers and their json %2 of it")
                  .arg(BenchIncidents::kCount)
                  .arg(ms(f.incidentsAnswersNs)));
    line(QStringLiteral("speed-up with incidents"),
        QString::number(f.incidentsSpeedup(), 'f', 1)
            + QStringLiteral(" (target >= 15: %1)")
                  .arg(verdict(f.incidentsSpeedup() >= kSpeedupTarget)));
    line(QStringLiteral("memory with incidents"),
        QString::number(f.incidentsMemoryMib(), 'f', 1)
            + QStringLiteral(" MiB beyond idle at its peak"));
}

} // namespace

void TuneSeries::print(const TuneFigures &given, const TuneFigures &week) const
{
    out() << Qt::endl
          << "R = " << m_options.reports << " reports x N = " << m_options.nodes.first()
          << " nodes x H = " << given.hours
          << " hours of 300-second samples, thresholds 5 to 100 % by 5, occurrences 1 to 12"
          << Qt::endl;
    printTune(given);
    line(QStringLiteral("bare replay"), ms(given.replayNs));
    line(QStringLiteral("ratio tune / replay"),
        QString::number(given.ratio(), 'f', 2)
            + QStringLiteral(" (target <= 1.10: %1)").arg(verdict(given.ratio() <= kRatioTarget)));
    printSweeps(given);
    line(QStringLiteral("peak resident memory"),
        QString::number(given.memoryMib(), 'f', 1) + QStringLiteral(" MiB beyond idle"));
    printIncidentTune(given);

    const double growth = week.memoryMib() / given.memoryMib();
    out() << Qt::endl << "The same over a week, H = " << week.hours << " hours" << Qt::endl;
    printTune(week);
    printSweeps(week);
    line(QStringLiteral("peak resident memory"),
        QString::number(week.memoryMib(), 'f', 1)
            + QStringLiteral(" MiB beyond idle, %1 times that of %2 hours (target <= 1.25: %3)")
                  .arg(QString::number(growth, 'f', 2))
                  .arg(given.hours)
                  .arg(verdict(growth <= kWeekMemoryTarget)));

    out() << "tune summary: ratio=" << QString::number(given.ratio(), 'f', 2)
          << " speedup=" << QString::number(given.speedup(), 'f', 1)
          << " memory_mib=" << QString::number(given.memoryMib(), 'f', 1)
          << " week_speedup=" << QString::number(week.speedup(), 'f', 1)
          << " week_memory_mib=" << QString::number(week.memoryMib(), 'f', 1)
          << " incidents_speedup=" << QString::number(given.incidentsSpeedup(), 'f', 1)
          << " incidents_memory_mib=" << QString::number(given.incidentsMemoryMib(), 'f', 1)
          << Qt::endl;
}

} // namespace tovik::bench
