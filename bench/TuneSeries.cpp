#include "TuneSeries.h"

#include "BenchText.h"
#include "sweep/ThresholdLadder.h"

#include <QTextStream>

namespace tovik::bench {

using namespace BenchText;

namespace {

constexpr double kRatioTarget = 1.10;
constexpr double kSpeedupTarget = 15.0;

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
    if (!m_data.prepare(&m_options, m_options.nodes.first(), &failure) || !measureTune(&failure)
        || !measureSweeps(&failure)) {
        QTextStream(stderr) << "run_bench --tune: " << failure << Qt::endl;
        return 1;
    }
    m_data.server().stop();
    print();
    return 0;
}

// The tuning, then a replay that must send the very statements the tuning sent, best of repeat.
bool TuneSeries::measureTune(QString *failure)
{
    for (int i = 0; i < m_options.repeat; ++i) {
        const auto tune
            = m_data.runChild(m_options, BenchMode::OneTune, QStringLiteral("tune_ns"), failure);
        const auto replay = tune ? m_data.runChild(m_options, BenchMode::OneTuneReplay,
                                QStringLiteral("replay_ns"), failure)
                                 : std::nullopt;
        if (!replay)
            return false;
        if (replay->statements != tune->statements) {
            *failure = QStringLiteral("the replay sent other statements than the tuning");
            return false;
        }
        if (i == 0 || tune->ns < m_tuneNs) {
            m_tuneNs = tune->ns;
            m_surfaceNs = tune->report.number(QStringLiteral("surface_ns")).value_or(0);
        }
        m_replayNs = i == 0 ? replay->ns : qMin(m_replayNs, replay->ns);
        m_peakBeyondIdleKib = qMax(m_peakBeyondIdleKib, tune->peakBeyondIdleKib);
        m_rows = tune->rows;
        m_statements = tune->statements.size();
    }
    return true;
}

// What the tuning replaces: a whole sweep at each threshold of the ladder, once each.
bool TuneSeries::measureSweeps(QString *failure)
{
    BenchOptions options = m_options;
    const ThresholdLadder ladder = ThresholdLadder::standard();
    for (const qint16 threshold : ladder.thresholds()) {
        options.threshold = threshold;
        const auto sweep
            = m_data.runChild(options, BenchMode::OneSweep, QStringLiteral("sweep_ns"), failure);
        if (!sweep)
            return false;
        m_sweepsNs += sweep->ns;
        ++m_sweeps;
    }
    return true;
}

void TuneSeries::print() const
{
    const double ratio = double(m_tuneNs) / double(m_replayNs);
    const double speedup = double(m_sweepsNs) / double(m_tuneNs);
    const double memoryMib = double(m_peakBeyondIdleKib) / 1024.0;
    out() << Qt::endl
          << "R = " << m_options.reports << " reports x N = " << m_options.nodes.first()
          << " nodes x H = " << m_options.hours
          << " hours of 300-second samples, thresholds 5 to 100 % by 5, occurrences 1 to 12"
          << Qt::endl;
    line(QStringLiteral("tune"),
        ms(m_tuneNs)
            + QStringLiteral(", %1 node-hours, %2 statements; the surface %3 of it")
                  .arg(m_rows)
                  .arg(m_statements)
                  .arg(ms(m_surfaceNs)));
    line(QStringLiteral("bare replay"), ms(m_replayNs));
    line(QStringLiteral("ratio tune / replay"),
        QString::number(ratio, 'f', 2)
            + QStringLiteral(" (target <= 1.10: %1)").arg(verdict(ratio <= kRatioTarget)));
    line(QStringLiteral("sweeps, one a threshold"),
        QStringLiteral("%1 sweeps, %2 in all, %3 each")
            .arg(m_sweeps)
            .arg(ms(m_sweepsNs), ms(m_sweepsNs / qMax(1, m_sweeps))));
    line(QStringLiteral("speed-up"),
        QString::number(speedup, 'f', 1)
            + QStringLiteral(" (target >= 15: %1)").arg(verdict(speedup >= kSpeedupTarget)));
    line(QStringLiteral("peak resident memory"),
        QString::number(memoryMib, 'f', 1) + QStringLiteral(" MiB beyond idle"));
    out() << "tune summary: ratio=" << QString::number(ratio, 'f', 2)
          << " speedup=" << QString::number(speedup, 'f', 1)
          << " memory_mib=" << QString::number(memoryMib, 'f', 1) << Qt::endl;
}

} // namespace tovik::bench
