#include "SweepSeries.h"

#include "BenchText.h"
#include "ChildProcess.h"
#include "SizeBench.h"
#include "SweepData.h"

#include <QTextStream>

namespace tovik::bench {

using namespace BenchText;

namespace {

constexpr double kRatioTarget = 1.10;
constexpr double kSpeedupTarget = 20.0;
constexpr double kMemoryTargetMib = 64.0;
// The hours before the reference time whose test runs are timed: all inside the default
// monitoring time, so that each run counts its hour.
const QList<int> kRunOffsetsHours {0, 3, 6};

struct SweepSizeFigures
{
    int nodes = 0;
    int hours = 0;
    qint64 sweepNs = 0;
    qint64 replayNs = 0;
    qint64 rows = 0;
    qsizetype statements = 0;
    qint64 peakBeyondIdleKib = 0;
    // The single-hour runs: how many were timed and their mean time without the fixed waits.
    int runs = 0;
    qint64 runWorkNs = 0;

    double ratio() const { return double(sweepNs) / double(replayNs); }
    double speedup() const { return double(runWorkNs) * hours / double(sweepNs); }
    double memoryMib() const { return double(peakBeyondIdleKib) / 1024.0; }
};

// One size: its data, its server, and the children that measure it.
class SweepSize
{
public:
    SweepSize(BenchOptions options, int nodes, int hours)
        : m_options(std::move(options))
    {
        m_options.hours = hours;
        m_figures.nodes = nodes;
        m_figures.hours = hours;
    }

    std::optional<SweepSizeFigures> measure(bool withRuns, QString *failure)
    {
        if (!m_data.prepare(&m_options, m_figures.nodes, failure))
            return std::nullopt;
        for (int i = 0; i < m_options.repeat; ++i) {
            if (!repeatOnce(i == 0, failure))
                return std::nullopt;
        }
        if (withRuns && !timeRuns(failure))
            return std::nullopt;
        m_data.server().stop();
        return m_figures;
    }

private:
    std::optional<qint64> child(
        BenchMode mode, const QString &key, qint64 *rows, QStringList *statements, QString *failure)
    {
        const auto figures = m_data.runChild(m_options, mode, key, failure);
        if (!figures)
            return std::nullopt;
        if (mode == BenchMode::OneSweep)
            m_figures.peakBeyondIdleKib
                = qMax(m_figures.peakBeyondIdleKib, figures->peakBeyondIdleKib);
        *rows = figures->rows;
        *statements = figures->statements;
        return figures->ns;
    }

    // One sweep, then one replay that must send the very statements the sweep sent.
    bool repeatOnce(bool first, QString *failure)
    {
        qint64 sweptRows = 0;
        qint64 replayedRows = 0;
        QStringList swept;
        QStringList replayed;
        const auto sweepNs
            = child(BenchMode::OneSweep, QStringLiteral("sweep_ns"), &sweptRows, &swept, failure);
        const auto replayNs = sweepNs ? child(BenchMode::OneSweepReplay,
                                  QStringLiteral("replay_ns"), &replayedRows, &replayed, failure)
                                      : std::nullopt;
        if (!replayNs)
            return false;
        if (replayed != swept) {
            *failure = QStringLiteral("the replay sent other statements than the sweep");
            return false;
        }
        m_figures.sweepNs = first ? *sweepNs : qMin(m_figures.sweepNs, *sweepNs);
        m_figures.replayNs = first ? *replayNs : qMin(m_figures.replayNs, *replayNs);
        m_figures.rows = sweptRows;
        m_figures.statements = swept.size();
        return true;
    }

    bool timeRuns(QString *failure)
    {
        qint64 total = 0;
        const QDateTime reference = m_options.referenceTime;
        for (const int offset : kRunOffsetsHours) {
            if (offset >= m_options.hours)
                continue;
            BenchOptions options = m_options;
            options.referenceTime = reference.addSecs(-3600 * offset);
            const auto report = runChildProcess(options.childArguments(BenchMode::OneRun), failure);
            const auto run = report ? runFiguresFrom(*report, failure) : std::nullopt;
            if (!run)
                return false;
            total += run->workNs();
            ++m_figures.runs;
            m_data.server().log().newStatements();
        }
        m_figures.runWorkNs = total / qMax(1, m_figures.runs);
        return true;
    }

    BenchOptions m_options;
    SweepSizeFigures m_figures;
    SweepData m_data;
};

void printSize(const BenchOptions &options, const SweepSizeFigures &figures, bool withRuns)
{
    out() << Qt::endl
          << "R = " << options.reports << " reports x N = " << figures.nodes
          << " nodes x H = " << figures.hours << " hours of 300-second samples, threshold "
          << options.threshold << Qt::endl;
    line(QStringLiteral("sweep"),
        ms(figures.sweepNs)
            + QStringLiteral(", %1 rows, %2 statements").arg(figures.rows).arg(figures.statements));
    line(QStringLiteral("bare replay"), ms(figures.replayNs));
    line(QStringLiteral("ratio sweep / replay"),
        QString::number(figures.ratio(), 'f', 2)
            + QStringLiteral(" (target <= 1.10: %1)")
                  .arg(verdict(figures.ratio() <= kRatioTarget)));
    if (withRuns) {
        line(QStringLiteral("single-hour test runs"),
            QStringLiteral("%1 of %2 timed without their fixed waits, %3 each; %2 x = %4 "
                           "(scaled)")
                .arg(figures.runs)
                .arg(figures.hours)
                .arg(ms(figures.runWorkNs), ms(figures.runWorkNs * figures.hours)));
        line(QStringLiteral("speed-up"),
            QString::number(figures.speedup(), 'f', 1)
                + QStringLiteral(" (target >= 20: %1)")
                      .arg(verdict(figures.speedup() >= kSpeedupTarget)));
    }
    line(QStringLiteral("peak resident memory"),
        QString::number(figures.memoryMib(), 'f', 1)
            + QStringLiteral(" MiB beyond idle, %1 "
                             "bytes per row")
                  .arg(QString::number(double(figures.peakBeyondIdleKib) * 1024.0
                          / double(qMax<qint64>(1, figures.rows)),
                      'f', 0)));
}

} // namespace

SweepSeries::SweepSeries(BenchOptions options)
    : m_options(std::move(options))
{
}

int SweepSeries::exec()
{
    qputenv("TOVIK_SAMPLE_SERVER", m_options.serverPath.toLocal8Bit());
    out() << "run_bench --sweep: best of " << m_options.repeat << " per size" << Qt::endl;
    QString failure;
    const int timedNodes = m_options.nodes.first();
    const auto timed = SweepSize(m_options, timedNodes, m_options.hours).measure(true, &failure);
    if (!timed) {
        QTextStream(stderr) << "run_bench --sweep: " << failure << Qt::endl;
        return 1;
    }
    printSize(m_options, *timed, true);
    const auto largest = SweepSize(m_options, m_options.nodes.last(), qMax(1, m_options.hours / 2))
                             .measure(false, &failure);
    if (!largest) {
        QTextStream(stderr) << "run_bench --sweep: " << failure << Qt::endl;
        return 1;
    }
    printSize(m_options, *largest, false);
    out() << "  memory target < 64 MiB at the largest size: "
          << verdict(largest->memoryMib() < kMemoryTargetMib) << Qt::endl
          << "sweep summary: ratio=" << QString::number(timed->ratio(), 'f', 2)
          << " speedup=" << QString::number(timed->speedup(), 'f', 1)
          << " memory_mib=" << QString::number(largest->memoryMib(), 'f', 1) << Qt::endl;
    return 0;
}

} // namespace tovik::bench
