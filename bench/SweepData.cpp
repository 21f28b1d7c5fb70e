#include "SweepData.h"

#include "BenchOptions.h"
#include "ChildProcess.h"
#include "SampleDataCache.h"

#include <QDir>

namespace tovik::bench {

bool SweepData::prepare(BenchOptions *options, int nodes, QString *failure)
{
    // One hour more than the sweep examines: the data ends at the reference time, inside the
    // hour after the last examined one.
    const QStringList arguments {QStringLiteral("--layout"), QStringLiteral("online"),
        QStringLiteral("--reports"), QString::number(options->reports), QStringLiteral("--nodes"),
        QString::number(nodes), QStringLiteral("--hours"), QString::number(options->hours + 1),
        QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("--end"),
        options->referenceTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    options->appDir = m_workDir.filePath(QStringLiteral("app"));
    if (!QDir().mkpath(options->appDir)) {
        *failure = QStringLiteral("cannot create %1").arg(options->appDir);
        return false;
    }
    const auto dataDir = SampleDataCache().dataDir(arguments, failure);
    if (!dataDir || !m_server.start(*dataDir, failure))
        return false;
    options->port = m_server.port();
    return true;
}

std::optional<QList<QStringList>> SweepData::newConnections(qsizetype expected, QString *failure)
{
    const QMap<int, QStringList> statements = m_server.log().newStatements();
    if (statements.size() != expected) {
        *failure = QStringLiteral("the server saw %1 connections where %2 were expected")
                       .arg(statements.size())
                       .arg(expected);
        return std::nullopt;
    }
    // Process ids count up with each connection.
    return statements.values();
}

std::optional<SweepChildFigures> SweepData::runChild(
    const BenchOptions &options, BenchMode mode, const QString &key, QString *failure)
{
    const auto report = runChildProcess(options.childArguments(mode), failure);
    const auto sent = report ? newConnections(1, failure) : std::nullopt;
    if (!sent)
        return std::nullopt;
    const auto ns = report->number(key);
    const auto idle = report->number(QStringLiteral("idle_kib"));
    const auto peak = report->number(QStringLiteral("peak_kib"));
    const auto rows = report->number(QStringLiteral("rows"));
    if (!ns || !idle || !peak || !rows) {
        *failure = QStringLiteral("a sweep child left figures out");
        return std::nullopt;
    }
    return SweepChildFigures {*ns, *rows, *peak - *idle, sent->first(), *report};
}

} // namespace tovik::bench
