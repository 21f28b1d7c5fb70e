#include "SizeBench.h"

#include "BenchConnection.h"
#include "ChildProcess.h"
#include "SampleDataCache.h"
#include "db/DbConnection.h"
#include "output/ShowRunLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace tovik::bench {

namespace {

std::optional<WaitBlock> waitFrom(const QString &text)
{
    const QStringList parts = text.split(u' ');
    bool cyclesOk = false;
    bool nsOk = false;
    WaitBlock wait {
        parts.value(0).toInt(&cyclesOk), parts.value(1).toLongLong(&nsOk), parts.value(2)};
    if (!cyclesOk || !nsOk)
        return std::nullopt;
    return wait;
}

} // namespace

std::optional<RunFigures> runFiguresFrom(const ChildReport &report, QString *failure)
{
    if (!report.values(QStringLiteral("warning")).isEmpty()) {
        *failure = QStringLiteral("the run ended with a warning: ")
            + report.values(QStringLiteral("warning")).join(QStringLiteral("; "));
        return std::nullopt;
    }
    RunFigures run;
    for (const QString &text : report.values(QStringLiteral("wait"))) {
        if (const auto wait = waitFrom(text))
            run.waits << *wait;
    }
    const auto runNs = report.number(QStringLiteral("run_ns"));
    const auto cpuUs = report.number(QStringLiteral("cpu_us"));
    const auto idle = report.number(QStringLiteral("idle_kib"));
    const auto peak = report.number(QStringLiteral("peak_kib"));
    const auto logBytes = report.number(QStringLiteral("log_bytes"));
    if (!runNs || !cpuUs || !idle || !peak || !logBytes
        || report.values(QStringLiteral("viewer")).size() != 1) {
        *failure = QStringLiteral("the run child left figures out or opened no run log");
        return std::nullopt;
    }
    run.runNs = *runNs;
    run.cpuUs = *cpuUs;
    run.idleKib = *idle;
    run.peakKib = *peak;
    run.logBytes = *logBytes;
    return run;
}

namespace {

std::optional<ReplayFigures> replayFiguresFrom(const ChildReport &report, QString *failure)
{
    const auto replayNs = report.number(QStringLiteral("replay_ns"));
    const auto connectNs = report.number(QStringLiteral("connect_ns"));
    const auto cpuUs = report.number(QStringLiteral("cpu_us"));
    const auto idle = report.number(QStringLiteral("idle_kib"));
    const auto peak = report.number(QStringLiteral("peak_kib"));
    const auto rows = report.number(QStringLiteral("rows"));
    if (!replayNs || !connectNs || !cpuUs || !idle || !peak || !rows) {
        *failure = QStringLiteral("the replay child left figures out");
        return std::nullopt;
    }
    return ReplayFigures {*replayNs, *connectNs, *cpuUs, *idle, *peak, *rows};
}

} // namespace

SizeBench::SizeBench(const BenchOptions &options, int nodes)
    : m_options(options)
    , m_nodes(nodes)
{
}

SizeBench::~SizeBench() = default;

bool SizeBench::generate(QString *failure)
{
    const QStringList arguments {QStringLiteral("--layout"), QStringLiteral("online"),
        QStringLiteral("--reports"), QString::number(m_options.reports), QStringLiteral("--nodes"),
        QString::number(m_nodes), QStringLiteral("--hours"), QString::number(m_options.hours),
        QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("--end"),
        m_options.referenceTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    if (!QDir().mkpath(m_workDir.filePath(QStringLiteral("app")))) {
        *failure
            = QStringLiteral("cannot create %1").arg(m_workDir.filePath(QStringLiteral("app")));
        return false;
    }
    const auto dataDir = SampleDataCache().dataDir(arguments, failure);
    m_dataDir = dataDir.value_or(QString());
    return dataDir.has_value();
}

bool SizeBench::startServer(QString *failure)
{
    if (!m_server.start(m_dataDir, failure))
        return false;
    m_options.port = m_server.port();
    m_options.appDir = m_workDir.filePath(QStringLiteral("app"));
    m_options.sqlFile = m_workDir.filePath(QStringLiteral("replay.sql"));
    return true;
}

std::optional<QStringList> SizeBench::textsOfOneConnection(QString *failure)
{
    const QMap<int, QStringList> texts = m_server.log().newSqlTexts();
    if (texts.size() > 1) {
        *failure = QStringLiteral("the server saw SQL from %1 connections where one was expected")
                       .arg(texts.size());
        return std::nullopt;
    }
    return texts.isEmpty() ? QStringList() : texts.first();
}

bool SizeBench::learnOpenTexts(QString *failure)
{
    {
        DbConnection probe;
        if (!openBenchConnection(probe, m_options.port, failure))
            return false;
    }
    const auto texts = textsOfOneConnection(failure);
    if (!texts)
        return false;
    m_openTexts = *texts;
    return true;
}

// Nothing but the run's own queries: the driver's texts of the connect are not replayed, since
// the replay's own connect sends them again.
std::optional<RunFigures> SizeBench::runOnce(QStringList *texts, QString *failure)
{
    const auto report = runChildProcess(m_options.childArguments(BenchMode::OneRun), failure);
    if (!report)
        return std::nullopt;
    const auto run = runFiguresFrom(*report, failure);
    const auto sent = textsOfOneConnection(failure);
    if (!run || !sent)
        return std::nullopt;
    if (sent->mid(0, m_openTexts.size()) != m_openTexts) {
        *failure = QStringLiteral("the run's connection did not open as the probe's did");
        return std::nullopt;
    }
    *texts = sent->mid(m_openTexts.size());
    return run;
}

std::optional<ReplayFigures> SizeBench::replayOnce(const QStringList &runTexts, QString *failure)
{
    const auto report = runChildProcess(m_options.childArguments(BenchMode::OneReplay), failure);
    if (!report)
        return std::nullopt;
    const auto replay = replayFiguresFrom(*report, failure);
    const auto sent = textsOfOneConnection(failure);
    if (!replay || !sent)
        return std::nullopt;
    if (*sent != m_openTexts + runTexts) {
        *failure = QStringLiteral("the replay sent other SQL texts than the run");
        return std::nullopt;
    }
    return replay;
}

// Every text the server received stands as a line of the run log, in the same order.
bool SizeBench::runLogShows(const QStringList &texts) const
{
    QFile file(QDir(m_options.appDir).filePath(QLatin1String(RunLogFileName)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString log = QString::fromLocal8Bit(file.readAll());
    qsizetype next = 0;
    for (const QStringView line : QStringView(log).split(QStringView(u"\r\n"))) {
        if (next < texts.size() && line == texts.at(next))
            ++next;
    }
    return next == texts.size();
}

bool SizeBench::writeSqlFile(const QStringList &texts, QString *failure) const
{
    for (const QString &text : texts) {
        if (text.contains(u'\n') || text.contains(u'\r')) {
            *failure = QStringLiteral("a SQL text of the run holds a line break");
            return false;
        }
    }
    QFile file(m_options.sqlFile);
    const QByteArray bytes = (texts.join(u'\n') + u'\n').toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(bytes) != bytes.size()) {
        *failure = QStringLiteral("cannot write ") + m_options.sqlFile;
        return false;
    }
    return true;
}

// One run, then one replay of its texts; the best of each is kept.
bool SizeBench::repeatOnce(SizeFigures *figures, QString *failure)
{
    QStringList texts;
    const auto run = runOnce(&texts, failure);
    if (!run)
        return false;
    const bool first = figures->repeats == 0;
    if (first) {
        if (!runLogShows(texts)) {
            *failure
                = QStringLiteral("the run log does not show the SQL texts the server received");
            return false;
        }
        if (!writeSqlFile(texts, failure))
            return false;
        m_runTexts = texts;
    } else if (texts != m_runTexts) {
        *failure = QStringLiteral("a repeated run sent other SQL texts than the first");
        return false;
    }
    const auto replay = replayOnce(m_runTexts, failure);
    if (!replay)
        return false;
    if (first || run->workNs() < figures->run.workNs())
        figures->run = *run;
    if (first || replay->replayNs < figures->replay.replayNs)
        figures->replay = *replay;
    if (first || run->peakKib - run->idleKib > figures->peakBeyondIdleKib()) {
        figures->idleKib = run->idleKib;
        figures->peakKib = run->peakKib;
    }
    ++figures->repeats;
    return true;
}

std::optional<SizeFigures> SizeBench::measure(QString *failure)
{
    if (!m_workDir.isValid()) {
        *failure = QStringLiteral("no temporary directory");
        return std::nullopt;
    }
    SizeFigures figures;
    figures.reports = m_options.reports;
    figures.nodes = m_nodes;
    QElapsedTimer generating;
    generating.start();
    if (!generate(failure))
        return std::nullopt;
    figures.generateMs = generating.elapsed();
    if (!startServer(failure) || !learnOpenTexts(failure))
        return std::nullopt;
    for (int i = 0; i < m_options.repeat; ++i) {
        if (!repeatOnce(&figures, failure))
            return std::nullopt;
    }
    figures.queries = m_runTexts.size();
    m_server.stop();
    return figures;
}

} // namespace tovik::bench
