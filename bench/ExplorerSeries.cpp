#include "ExplorerSeries.h"

#include "BenchText.h"
#include "ChildProcess.h"
#include "ExplorerChild.h"
#include "SweepData.h"
#include "sweep/ThresholdLadder.h"

#include <QMap>
#include <algorithm>

namespace tovik::bench {

using namespace BenchText;

namespace {

constexpr qint64 kFirstResultTargetNs = 3'000'000'000;
constexpr qint64 kWindowWorkTargetNs = 1'000'000'000;
constexpr qint64 kRedrawTargetNs = 100'000'000;
constexpr double kMemoryTargetMib = 100.0;
constexpr double kSurfaceRatioTarget = 1.15;
constexpr double kWeekMemoryTargetMib = 200.0;
constexpr int kWeekHours = 168;
constexpr qint64 kDeviceLoadTargetNs = 1'000'000'000;
constexpr int kMonthHours = 720;
constexpr double kMonthRatioTarget = 1.15;
constexpr double kMonthMemoryTargetMib = 400.0;
constexpr qint64 kLadderBytesTarget = 24;
constexpr qint64 kMonthRedrawTargetNs = 150'000'000;

qint64 best(bool first, qint64 kept, qint64 measured)
{
    return first ? measured : qMin(kept, measured);
}

// The best time per value of the "value ns" lines a child printed under key.
void takeRedraws(const ChildReport &report, const QString &key, QMap<int, qint64> &redrawNs)
{
    for (const QString &redraw : report.values(key)) {
        const QStringList parts = redraw.split(u' ');
        const int value = parts.value(0).toInt();
        redrawNs[value]
            = best(!redrawNs.contains(value), redrawNs.value(value), parts.value(1).toLongLong());
    }
}

qint64 slowest(const QMap<int, qint64> &redrawNs)
{
    return redrawNs.isEmpty() ? 0 : *std::max_element(redrawNs.cbegin(), redrawNs.cend());
}

double mibOf(qint64 kib)
{
    return double(kib) / 1024.0;
}

// The window's peak resident size beyond its idle size, as its child printed them.
std::optional<qint64> peakBeyondIdle(const ChildReport &report)
{
    const auto idle = report.number(QStringLiteral("idle_kib"));
    const auto peak = report.number(QStringLiteral("peak_kib"));
    if (!idle || !peak)
        return std::nullopt;
    return *peak - *idle;
}

// One of the window's two sweeps and the bare replay of its statements, the best of the
// repetitions for each figure.
struct SweepFigures
{
    int threshold = 0;
    // From run() to the window's resultShown, and to its views painted.
    qint64 shownNs = 0;
    qint64 paintedNs = 0;
    // The window's process, every thread, from run() to the views painted: its own work and the
    // driver's, never the server's.
    qint64 cpuNs = 0;
    // The sweep on the worker, connect to last row.
    qint64 workerNs = 0;
    qint64 rows = 0;
    qint64 replayNs = 0;
    qint64 replayCpuNs = 0;

    // What the window's child reported under prefix; false when a figure is missing.
    bool take(const ChildReport &report, const QString &prefix, bool first)
    {
        QMap<QString, qint64> n;
        for (const char *key : {"_ns", "_painted_ns", "_cpu_us", "_sweep_ms", "_rows"}) {
            const auto value = report.number(prefix + QLatin1String(key));
            if (!value)
                return false;
            n.insert(QLatin1String(key), *value);
        }
        shownNs = best(first, shownNs, n["_ns"]);
        paintedNs = best(first, paintedNs, n["_painted_ns"]);
        cpuNs = best(first, cpuNs, n["_cpu_us"] * 1000);
        workerNs = best(first, workerNs, n["_sweep_ms"] * 1'000'000);
        rows = n["_rows"];
        return true;
    }

    void takeReplay(qint64 ns, qint64 cpuUs, bool first)
    {
        replayNs = best(first, replayNs, ns);
        replayCpuNs = best(first, replayCpuNs, cpuUs * 1000);
    }
};

struct ExplorerFigures
{
    SweepFigures first;
    SweepFigures requery;
    qint64 devices = 0;
    // Per occurrences value.
    QMap<int, qint64> redrawNs;
    // Per threshold of the ladder.
    QMap<int, qint64> ladderRedrawNs;
    // The most of any repetition.
    qint64 peakBeyondIdleKib = 0;
    // The first result over a week, once.
    qint64 weekShownNs = 0;
    qint64 weekRows = 0;
    qint64 weekPeakBeyondIdleKib = 0;
    // From choosing a device of that week's result to its load drawn.
    qint64 weekDeviceLoadNs = 0;

    // The window's own work after a change of the threshold: the server's time is in none of the
    // process's CPU time, while the difference of two wall times of many seconds scatters with
    // the server's.
    qint64 windowWorkNs() const { return requery.cpuNs; }
    qint64 slowestRedrawNs() const { return slowest(redrawNs); }
    qint64 slowestLadderRedrawNs() const { return slowest(ladderRedrawNs); }
    // The first result, its tuning surface counted, against the bare replay of its statements.
    double surfaceRatio() const
    {
        return first.replayNs > 0 ? double(first.shownNs) / double(first.replayNs) : 0.0;
    }
    double memoryMib() const { return mibOf(peakBeyondIdleKib); }
    double weekMemoryMib() const { return mibOf(weekPeakBeyondIdleKib); }
};

// The standard ladder, which the window's sweeps count besides their threshold.
QString standardLadder()
{
    return QStringLiteral("%1-%2/%3")
        .arg(ThresholdLadder::kDefaultFrom)
        .arg(ThresholdLadder::kDefaultTo)
        .arg(ThresholdLadder::kDefaultStep);
}

// A bare replay of one of the window's sweeps over data, which must send the very statements the
// sweep sent; its figures go to sweep.
bool replaySweep(SweepData &data, BenchOptions options, SweepFigures &sweep, const QString &ladder,
    const QStringList &swept, bool first, QString *failure)
{
    options.threshold = sweep.threshold;
    options.ladder = ladder;
    const auto report = runChildProcess(options.childArguments(BenchMode::OneSweepReplay), failure);
    const auto replayed = report ? data.newConnections(1, failure) : std::nullopt;
    if (!replayed)
        return false;
    const auto ns = report->number(QStringLiteral("replay_ns"));
    const auto cpuUs = report->number(QStringLiteral("cpu_us"));
    if (!ns || !cpuUs) {
        *failure = QStringLiteral("the replay child left figures out");
        return false;
    }
    if (replayed->first() != swept) {
        *failure = QStringLiteral("the replay at threshold %1 sent other statements than the "
                                  "window's sweep")
                       .arg(sweep.threshold);
        return false;
    }
    sweep.takeReplay(*ns, *cpuUs, first);
    return true;
}

class ExplorerSize
{
public:
    explicit ExplorerSize(BenchOptions options)
        : m_options(std::move(options))
    {
        // The window's sweeps count the standard ladder besides their threshold; so must the
        // replays of their statements.
        m_options.ladder = standardLadder();
        m_figures.first.threshold = m_options.threshold;
        m_figures.requery.threshold = requeryThreshold(m_options);
    }

    std::optional<ExplorerFigures> measure(QString *failure)
    {
        if (!m_data.prepare(&m_options, m_options.nodes.first(), failure))
            return std::nullopt;
        for (int i = 0; i < m_options.repeat; ++i) {
            if (!repeatOnce(i == 0, failure))
                return std::nullopt;
        }
        m_data.server().stop();
        if (!measureWeek(failure))
            return std::nullopt;
        return m_figures;
    }

private:
    // The window's two sweeps, each on a connection of its own, and its device's load on a third,
    // then a bare replay of each sweep, which must send the very statements the sweep sent.
    bool repeatOnce(bool first, QString *failure)
    {
        const auto window
            = runChildProcess(m_options.childArguments(BenchMode::OneExplorer), failure);
        const auto swept = window ? m_data.newConnections(3, failure) : std::nullopt;
        if (!swept)
            return false;
        if (!takeWindow(*window, first)) {
            *failure = QStringLiteral("the window's child left figures out");
            return false;
        }
        // The requery's threshold is off the ladder on screen: it is counted alone and added.
        return replaySweep(m_data, m_options, m_figures.first, m_options.ladder, swept->at(0),
                   first, failure)
            && replaySweep(
                m_data, m_options, m_figures.requery, QString(), swept->at(1), first, failure);
    }

    // The window's first result over a week of the same reports and nodes, in a process of its
    // own so that its peak memory is that result's.
    bool measureWeek(QString *failure)
    {
        BenchOptions options = m_options;
        options.hours = kWeekHours;
        SweepData week;
        if (!week.prepare(&options, options.nodes.first(), failure))
            return false;
        const auto report
            = runChildProcess(options.childArguments(BenchMode::OneExplorerFirst), failure);
        // The sweep's connection and the device's.
        const auto swept = report ? week.newConnections(2, failure) : std::nullopt;
        week.server().stop();
        if (!swept)
            return false;
        const auto shownNs = report->number(QStringLiteral("first_ns"));
        const auto rows = report->number(QStringLiteral("first_rows"));
        const auto beyondIdle = peakBeyondIdle(*report);
        const auto deviceLoadNs = report->number(QStringLiteral("device_load_ns"));
        if (!shownNs || !rows || !beyondIdle || !deviceLoadNs) {
            *failure = QStringLiteral("the week's child left figures out");
            return false;
        }
        m_figures.weekShownNs = *shownNs;
        m_figures.weekRows = *rows;
        m_figures.weekPeakBeyondIdleKib = *beyondIdle;
        m_figures.weekDeviceLoadNs = *deviceLoadNs;
        return true;
    }

    bool takeWindow(const ChildReport &report, bool first)
    {
        ExplorerFigures &f = m_figures;
        const auto devices = report.number(QStringLiteral("first_devices"));
        const auto beyondIdle = peakBeyondIdle(report);
        if (!devices || !beyondIdle || !f.first.take(report, QStringLiteral("first"), first)
            || !f.requery.take(report, QStringLiteral("requery"), first))
            return false;
        f.devices = *devices;
        f.peakBeyondIdleKib = qMax(f.peakBeyondIdleKib, *beyondIdle);
        takeRedraws(report, QStringLiteral("redraw"), f.redrawNs);
        takeRedraws(report, QStringLiteral("ladder_redraw"), f.ladderRedrawNs);
        return true;
    }

    BenchOptions m_options;
    ExplorerFigures m_figures;
    SweepData m_data;
};

// The window's first result over a month and what follows it, the best of the repetitions.
struct MonthFigures
{
    SweepFigures first;
    qint64 devices = 0;
    // The most of any repetition.
    qint64 peakBeyondIdleKib = 0;
    // The ladder's counts, keys and order; and all the process holds once the result is in.
    qint64 bytesPerNodeHour = 0;
    qint64 heldBytesPerNodeHour = 0;
    // Per threshold of the ladder.
    QMap<int, qint64> ladderRedrawNs;
    qint64 deviceLoadNs = 0;

    double ratio() const
    {
        return first.replayNs > 0 ? double(first.shownNs) / double(first.replayNs) : 0.0;
    }
    double memoryMib() const { return mibOf(peakBeyondIdleKib); }
    qint64 slowestLadderRedrawNs() const { return slowest(ladderRedrawNs); }
};

// The window over a month of the series' reports and nodes: each repetition a window of its own
// and a bare replay of its sweep's statements.
class MonthSize
{
public:
    explicit MonthSize(BenchOptions options)
        : m_options(std::move(options))
    {
        m_options.hours = kMonthHours;
        m_options.ladder = standardLadder();
        m_figures.first.threshold = m_options.threshold;
    }

    std::optional<MonthFigures> measure(QString *failure)
    {
        if (!m_data.prepare(&m_options, m_options.nodes.first(), failure))
            return std::nullopt;
        for (int i = 0; i < m_options.repeat; ++i) {
            if (!repeatOnce(i == 0, failure))
                return std::nullopt;
        }
        m_data.server().stop();
        return m_figures;
    }

private:
    // The window's sweep and its device's load, each on a connection of its own.
    bool repeatOnce(bool first, QString *failure)
    {
        const auto window
            = runChildProcess(m_options.childArguments(BenchMode::OneExplorerMonth), failure);
        const auto swept = window ? m_data.newConnections(2, failure) : std::nullopt;
        if (!swept)
            return false;
        if (!takeWindow(*window, first)) {
            *failure = QStringLiteral("the month's child left figures out");
            return false;
        }
        return replaySweep(
            m_data, m_options, m_figures.first, m_options.ladder, swept->at(0), first, failure);
    }

    bool takeWindow(const ChildReport &report, bool first)
    {
        MonthFigures &f = m_figures;
        const auto devices = report.number(QStringLiteral("first_devices"));
        const auto beyondIdle = peakBeyondIdle(report);
        const auto bytes = report.number(QStringLiteral("bytes_per_node_hour"));
        const auto held = report.number(QStringLiteral("held_bytes_per_node_hour"));
        const auto deviceLoadNs = report.number(QStringLiteral("device_load_ns"));
        if (!devices || !beyondIdle || !bytes || !held || !deviceLoadNs
            || !f.first.take(report, QStringLiteral("first"), first))
            return false;
        f.devices = *devices;
        f.peakBeyondIdleKib = qMax(f.peakBeyondIdleKib, *beyondIdle);
        f.bytesPerNodeHour = qMax(f.bytesPerNodeHour, *bytes);
        f.heldBytesPerNodeHour = qMax(f.heldBytesPerNodeHour, *held);
        f.deviceLoadNs = best(first, f.deviceLoadNs, *deviceLoadNs);
        takeRedraws(report, QStringLiteral("ladder_redraw"), f.ladderRedrawNs);
        return true;
    }

    BenchOptions m_options;
    MonthFigures m_figures;
    SweepData m_data;
};

QString target(const QString &text, bool met)
{
    return QStringLiteral(" (target %1: %2)").arg(text, verdict(met));
}

QString replayText(const SweepFigures &sweep)
{
    return ms(sweep.replayNs) + QStringLiteral(", CPU ") + ms(sweep.replayCpuNs)
        + QStringLiteral(": its statements over the same driver");
}

QString redrawsText(const QMap<int, qint64> &redrawNs, const QString &unit = {})
{
    QStringList parts;
    for (auto it = redrawNs.cbegin(); it != redrawNs.cend(); ++it)
        parts << QStringLiteral("%1%2: %3").arg(it.key()).arg(unit, ms(it.value()));
    return parts.join(QStringLiteral(", "));
}

void print(const BenchOptions &options, const ExplorerFigures &f)
{
    out() << Qt::endl
          << "R = " << options.reports << " reports x N = " << options.nodes.first()
          << " nodes x H = " << options.hours << " hours of 300-second samples, " << f.first.rows
          << " rows of " << f.devices << " devices" << Qt::endl;
    line(QStringLiteral("first result"),
        ms(f.first.shownNs)
            + QStringLiteral(" from run() to resultShown at threshold %1").arg(f.first.threshold)
            + target(QStringLiteral("<= 3 s"), f.first.shownNs <= kFirstResultTargetNs)
            + QStringLiteral("; views painted at ") + ms(f.first.paintedNs)
            + QStringLiteral(", the window's CPU ") + ms(f.first.cpuNs));
    line(QStringLiteral("bare replay of it"), replayText(f.first));
    line(QStringLiteral("requery"),
        ms(f.requery.paintedNs)
            + QStringLiteral(" from run() to its views painted at threshold %1, %2 rows, of it %3 "
                             "in the sweep on the worker; run() right after the change, no delay")
                  .arg(f.requery.threshold)
                  .arg(f.requery.rows)
                  .arg(ms(f.requery.workerNs)));
    line(QStringLiteral("bare replay of it"), replayText(f.requery));
    line(QStringLiteral("window's own work"),
        ms(f.windowWorkNs())
            + QStringLiteral(" CPU in the window's process during the requery, the driver's "
                             "reading included, the server's time not")
            + target(QStringLiteral("< 1 s"), f.windowWorkNs() < kWindowWorkTargetNs)
            + QStringLiteral("; wall time beyond the replay ")
            + ms(f.requery.paintedNs - f.requery.replayNs));
    line(QStringLiteral("redraw for occurrences"),
        QStringLiteral("slowest ") + ms(f.slowestRedrawNs())
            + target(QStringLiteral("< 100 ms"), f.slowestRedrawNs() < kRedrawTargetNs)
            + QStringLiteral(": ") + redrawsText(f.redrawNs));
    line(QStringLiteral("redraw for a threshold"),
        QStringLiteral("slowest ") + ms(f.slowestLadderRedrawNs())
            + target(QStringLiteral("< 100 ms"), f.slowestLadderRedrawNs() < kRedrawTargetNs)
            + QStringLiteral(" from the change to every view painted, no query: ")
            + redrawsText(f.ladderRedrawNs, QStringLiteral(" %")));
    line(QStringLiteral("surface ratio"),
        QString::number(f.surfaceRatio(), 'f', 2)
            + QStringLiteral(" first result with its tuning surface / bare replay")
            + target(QStringLiteral("<= 1.15"), f.surfaceRatio() <= kSurfaceRatioTarget));
    line(QStringLiteral("peak resident memory"),
        mib(f.peakBeyondIdleKib) + QStringLiteral(" beyond idle")
            + target(QStringLiteral("< 100 MiB"), f.memoryMib() < kMemoryTargetMib));
    line(QStringLiteral("a week's first result"),
        ms(f.weekShownNs)
            + QStringLiteral(" from run() to resultShown over %1 hours, %2 rows; ")
                  .arg(kWeekHours)
                  .arg(f.weekRows)
            + mib(f.weekPeakBeyondIdleKib) + QStringLiteral(" beyond idle")
            + target(QStringLiteral("< 200 MiB"), f.weekMemoryMib() < kWeekMemoryTargetMib));
    line(QStringLiteral("a device's load"),
        ms(f.weekDeviceLoadNs)
            + QStringLiteral(" from choosing a device of the week's result to its samples drawn")
            + target(QStringLiteral("<= 1 s"), f.weekDeviceLoadNs <= kDeviceLoadTargetNs));
}

void printMonth(const BenchOptions &options, const MonthFigures &f)
{
    out() << Qt::endl
          << "R = " << options.reports << " reports x N = " << options.nodes.first()
          << " nodes x H = " << kMonthHours << " hours of 300-second samples, " << f.first.rows
          << " rows of " << f.devices << " devices" << Qt::endl;
    line(QStringLiteral("a month's first result"),
        ms(f.first.shownNs)
            + QStringLiteral(" from run() to resultShown at threshold %1").arg(f.first.threshold)
            + QStringLiteral("; views painted at ") + ms(f.first.paintedNs)
            + QStringLiteral(", the window's CPU ") + ms(f.first.cpuNs));
    line(QStringLiteral("bare replay of it"), replayText(f.first));
    line(QStringLiteral("month ratio"),
        QString::number(f.ratio(), 'f', 2) + QStringLiteral(" first result / bare replay")
            + target(QStringLiteral("<= 1.15"), f.ratio() <= kMonthRatioTarget));
    line(QStringLiteral("peak resident memory"),
        mib(f.peakBeyondIdleKib) + QStringLiteral(" beyond idle")
            + target(QStringLiteral("< 400 MiB"), f.memoryMib() < kMonthMemoryTargetMib)
            + QStringLiteral("; %1 bytes per node-hour held once the result is in")
                  .arg(f.heldBytesPerNodeHour));
    line(QStringLiteral("ladder's counts"),
        QStringLiteral("%1 bytes per node-hour, keys and order included").arg(f.bytesPerNodeHour)
            + target(QStringLiteral("<= 24"), f.bytesPerNodeHour <= kLadderBytesTarget));
    line(QStringLiteral("redraw for a threshold"),
        QStringLiteral("slowest ") + ms(f.slowestLadderRedrawNs())
            + target(QStringLiteral("< 150 ms"), f.slowestLadderRedrawNs() < kMonthRedrawTargetNs)
            + QStringLiteral(" from the change to every view painted, no query: ")
            + redrawsText(f.ladderRedrawNs, QStringLiteral(" %")));
    line(QStringLiteral("a device's load"),
        ms(f.deviceLoadNs)
            + QStringLiteral(" from choosing a device of the month's result to its samples drawn")
            + target(QStringLiteral("< 1 s"), f.deviceLoadNs < kDeviceLoadTargetNs));
}

} // namespace

ExplorerSeries::ExplorerSeries(BenchOptions options)
    : m_options(std::move(options))
{
}

int ExplorerSeries::exec()
{
    qputenv("TOVIK_SAMPLE_SERVER", m_options.serverPath.toLocal8Bit());
    if (m_options.month)
        return execMonth();
    out() << "run_bench --explorer: best of " << m_options.repeat << Qt::endl;
    QString failure;
    const auto figures = ExplorerSize(m_options).measure(&failure);
    if (!figures) {
        QTextStream(stderr) << "run_bench --explorer: " << failure << Qt::endl;
        return 1;
    }
    print(m_options, *figures);
    out() << "explorer summary: first_result_s="
          << QString::number(figures->first.shownNs / 1e9, 'f', 2)
          << " requery_window_s=" << QString::number(figures->windowWorkNs() / 1e9, 'f', 2)
          << " redraw_ms=" << QString::number(figures->slowestRedrawNs() / 1e6, 'f', 1)
          << " memory_mib=" << QString::number(figures->memoryMib(), 'f', 1)
          << " ladder_redraw_ms=" << QString::number(figures->slowestLadderRedrawNs() / 1e6, 'f', 1)
          << " surface_ratio=" << QString::number(figures->surfaceRatio(), 'f', 2)
          << " week_first_result_s=" << QString::number(figures->weekShownNs / 1e9, 'f', 2)
          << " week_memory_mib=" << QString::number(figures->weekMemoryMib(), 'f', 1)
          << " device_load_s=" << QString::number(figures->weekDeviceLoadNs / 1e9, 'f', 2)
          << Qt::endl;
    return 0;
}

int ExplorerSeries::execMonth()
{
    out() << "run_bench --explorer --month: best of " << m_options.repeat << Qt::endl;
    QString failure;
    const auto figures = MonthSize(m_options).measure(&failure);
    if (!figures) {
        QTextStream(stderr) << "run_bench --explorer --month: " << failure << Qt::endl;
        return 1;
    }
    printMonth(m_options, *figures);
    out() << "explorer month summary: month_first_result_s="
          << QString::number(figures->first.shownNs / 1e9, 'f', 2)
          << " month_ratio=" << QString::number(figures->ratio(), 'f', 2)
          << " month_memory_mib=" << QString::number(figures->memoryMib(), 'f', 1)
          << " month_ladder_redraw_ms="
          << QString::number(figures->slowestLadderRedrawNs() / 1e6, 'f', 1)
          << " bytes_per_node_hour=" << figures->bytesPerNodeHour << Qt::endl;
    return 0;
}

} // namespace tovik::bench
