#include "BenchReport.h"

#include "BenchText.h"

namespace tovik::bench {

using namespace BenchText;

namespace {

constexpr double runTargetRatio = 1.10;
constexpr double memoryTargetMib = 64.0;
constexpr double roundTripTargetMicros = 100.0;
// The memory target is stated for this size.
constexpr int memoryTargetReports = 10;
constexpr int memoryTargetNodes = 10000;

QString perQuery(qint64 nanoseconds, qsizetype queries)
{
    return QString::number(double(nanoseconds) / 1e3 / double(qMax<qsizetype>(1, queries)), 'f', 1)
        + QStringLiteral(" us per query");
}

// Which wait it was, by the host call before it: the run log's file wait starts right after the
// clock is read for its deadline, the test-trap pause right after a look-up's timing.
QString waitName(const WaitBlock &wait)
{
    if (wait.after == QLatin1String("currentDateTime"))
        return QStringLiteral("run log");
    if (wait.after == QLatin1String("tickCount"))
        return QStringLiteral("test trap");
    return QStringLiteral("after ") + wait.after;
}

QString waitsText(const RunFigures &run)
{
    QStringList parts;
    for (const WaitBlock &wait : run.waits) {
        parts << QStringLiteral("%1 %2 x 10 ms = %3")
                     .arg(waitName(wait))
                     .arg(wait.cycles)
                     .arg(ms(wait.nanoseconds));
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

QString cell(const QString &text, int width)
{
    return text.rightJustified(width);
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Linear growth shows as the same cost for every query and node that a larger size adds.
void printGrowth(const QList<SizeFigures> &sizes)
{
    if (sizes.size() < 2)
        return;
    out() << "growth from one size to the next" << Qt::endl;
    for (qsizetype i = 1; i < sizes.size(); ++i) {
        const SizeFigures &from = sizes.at(i - 1);
        const SizeFigures &to = sizes.at(i);
        const double addedQueries = double(to.queries - from.queries);
        const double addedNodes = double(to.reports * to.nodes - from.reports * from.nodes);
        out() << "  N = " << from.nodes << " -> " << to.nodes << ": run "
              << number((to.run.workNs() - from.run.workNs()) / 1e3 / addedQueries, 1)
              << " us, replay "
              << number((to.replay.replayNs - from.replay.replayNs) / 1e3 / addedQueries, 1)
              << " us per added query; "
              << number(
                     (to.peakBeyondIdleKib() - from.peakBeyondIdleKib()) * 1024.0 / addedNodes, 0)
              << " bytes of memory and "
              << number((to.run.logBytes - from.run.logBytes) / addedNodes, 0)
              << " bytes of run log per added node and report" << Qt::endl;
    }
}

} // namespace

void BenchReport::printHeader(int reports, const QList<int> &nodes, int repeat)
{
    QStringList sizes;
    for (int n : nodes)
        sizes << QString::number(n);
    out() << "run_bench: R = " << reports << " reports x N = " << sizes.join(QStringLiteral(", "))
          << " nodes; best of " << repeat << (repeat == 1 ? " run" : " runs")
          << " and replay per size" << Qt::endl;
}

void BenchReport::printRoundTrip(const RoundTripFigures &figures)
{
    out() << Qt::endl
          << "small query round trip (" << figures.count << " times, one connection)" << Qt::endl;
    line(QStringLiteral("through Qt QODBC"),
        QString::number(figures.qtMicros, 'f', 1) + QStringLiteral(" us"));
    line(QStringLiteral("through raw ODBC"),
        QString::number(figures.odbcMicros, 'f', 1) + QStringLiteral(" us"));
}

void BenchReport::printSize(const SizeFigures &f)
{
    out() << Qt::endl
          << "R = " << f.reports << " reports x N = " << f.nodes << " nodes (data generated in "
          << f.generateMs << " ms)" << Qt::endl;
    line(QStringLiteral("queries issued"), QString::number(f.queries));
    line(
        QStringLiteral("run"), ms(f.run.runNs) + QStringLiteral(", CPU ") + ms(f.run.cpuUs * 1000));
    line(QStringLiteral("fixed waits"),
        ms(f.run.waitNs()) + QStringLiteral(": ") + waitsText(f.run));
    line(QStringLiteral("run without the waits"),
        ms(f.run.workNs()) + QStringLiteral(", ") + perQuery(f.run.workNs(), f.queries));
    line(QStringLiteral("replay"),
        ms(f.replay.replayNs) + QStringLiteral(", ") + perQuery(f.replay.replayNs, f.queries)
            + QStringLiteral(" (connect ") + ms(f.replay.connectNs) + QStringLiteral("), CPU ")
            + ms(f.replay.cpuUs * 1000) + QStringLiteral(", ") + QString::number(f.replay.rows)
            + QStringLiteral(" rows"));
    line(QStringLiteral("ratio run / replay"),
        QString::number(f.ratio(), 'f', 3) + QStringLiteral(" without the waits, ")
            + QString::number(f.ratioWithWaits(), 'f', 3) + QStringLiteral(" with them"));
    line(QStringLiteral("peak resident memory"),
        mib(f.peakBeyondIdleKib()) + QStringLiteral(" beyond idle (idle ") + mib(f.idleKib)
            + QStringLiteral(", peak ") + mib(f.peakKib) + QStringLiteral("); replay ")
            + mib(f.replay.peakKib - f.replay.idleKib) + QStringLiteral(" beyond idle"));
    line(
        QStringLiteral("run-log size"), QString::number(f.run.logBytes) + QStringLiteral(" bytes"));
}

void BenchReport::printSummary(const QList<SizeFigures> &sizes, const RoundTripFigures &roundTrip)
{
    out() << Qt::endl << "summary" << Qt::endl;
    out() << cell(QStringLiteral("R"), 4) << cell(QStringLiteral("N"), 7)
          << cell(QStringLiteral("queries"), 9) << cell(QStringLiteral("run ms"), 11)
          << cell(QStringLiteral("waits ms"), 10) << cell(QStringLiteral("work ms"), 11)
          << cell(QStringLiteral("replay ms"), 11) << cell(QStringLiteral("ratio"), 7)
          << cell(QStringLiteral("us/query"), 10) << cell(QStringLiteral("MiB>idle"), 10)
          << cell(QStringLiteral("log bytes"), 11) << Qt::endl;
    QStringList missed;
    for (const SizeFigures &f : sizes) {
        out() << cell(QString::number(f.reports), 4) << cell(QString::number(f.nodes), 7)
              << cell(QString::number(f.queries), 9) << cell(number(f.run.runNs / 1e6, 1), 11)
              << cell(number(f.run.waitNs() / 1e6, 1), 10)
              << cell(number(f.run.workNs() / 1e6, 1), 11)
              << cell(number(f.replay.replayNs / 1e6, 1), 11) << cell(number(f.ratio(), 3), 7)
              << cell(number(f.run.workNs() / 1e3 / double(f.queries), 1), 10)
              << cell(number(f.peakBeyondIdleKib() / 1024.0, 1), 10)
              << cell(QString::number(f.run.logBytes), 11) << Qt::endl;
        if (f.ratio() > runTargetRatio)
            missed << QStringLiteral("N = %1").arg(f.nodes);
    }
    printGrowth(sizes);
    out() << "targets" << Qt::endl;
    line(QStringLiteral("run <= 1.10 x replay"),
        missed.isEmpty() ? QStringLiteral("met at every size")
                         : QStringLiteral("MISSED at ") + missed.join(QStringLiteral(", ")));
    for (const SizeFigures &f : sizes) {
        if (f.reports == memoryTargetReports && f.nodes == memoryTargetNodes) {
            line(QStringLiteral("memory < 64 MiB > idle"),
                verdict(f.peakBeyondIdleKib() / 1024.0 < memoryTargetMib)
                    + QStringLiteral(" at R = 10 x N = 10000"));
        }
    }
    line(QStringLiteral("round trip < 0.1 ms"),
        verdict(roundTrip.qtMicros < roundTripTargetMicros) + QStringLiteral(" through Qt, ")
            + verdict(roundTrip.odbcMicros < roundTripTargetMicros)
            + QStringLiteral(" through raw ODBC"));
}

} // namespace tovik::bench
