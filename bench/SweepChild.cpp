#include "SweepChild.h"

#include "BenchHost.h"
#include "BenchOptions.h"
#include "ChildReport.h"
#include "ProcessFigures.h"
#include "monitoring/DiscoveryQueries.h"
#include "monitoring/SampleStore.h"
#include "sweep/IncidentFile.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepQueries.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneJson.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

namespace tovik::bench {

namespace {

// With incidents the tuning has a budget too, so that it answers all that `tune --incidents
// --budget` answers: the best setting, its noise and its monitoring time.
constexpr double kIncidentsBudget = 100.0;

// Where a replay reads the nodes' attributes: a tuning reads them before the reports' counts.
enum class NodesRead { Last, First };

// Reads every value of the query's result; the first column's integers when asked for.
qint64 readAll(QSqlQuery &query, QList<qint32> *firstColumn = nullptr)
{
    qint64 rows = 0;
    const int columns = query.record().count();
    while (query.next()) {
        for (int i = 0; i < columns; ++i)
            query.value(i);
        if (firstColumn)
            *firstColumn << query.value(0).toInt();
        ++rows;
    }
    return rows;
}

bool execAndRead(QSqlQuery &query, const QString &sql, qint64 *rows, QList<qint32> *ids = nullptr)
{
    if (!query.exec(sql))
        return false;
    *rows += readAll(query, ids);
    return true;
}

// The statements a sweep over the monitoring database sends, in its order.
bool replay(QSqlQuery &query, const SweepSettings &settings, NodesRead nodes, qint64 *rows)
{
    QList<qint32> ids;
    if (!execAndRead(query, kCpuReportQuery, rows, &ids) || !execAndRead(query, kTableQuery, rows))
        return false;
    if (nodes == NodesRead::First && !execAndRead(query, SweepQueries::nodeAttributes(), rows))
        return false;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (const qint32 id : std::as_const(ids)) {
        const ThresholdLadder ladder = settings.countedLadder();
        if (!query.prepare(SweepQueries::aggregate(
                SampleStoreNames::monitoringDatabaseTable(id), ladder.size())))
            return false;
        for (const qint16 threshold : ladder.thresholds())
            query.addBindValue(int(threshold));
        query.addBindValue(settings.range.from());
        query.addBindValue(settings.range.to());
        if (!query.exec())
            return false;
        *rows += readAll(query);
    }
    return nodes == NodesRead::First || execAndRead(query, SweepQueries::nodeAttributes(), rows);
}

// The replay of settings' statements for the child named child.
int replayOnce(const SweepSettings &settings, NodesRead nodes, const QString &child)
{
    ProcessFigures::resetPeak();
    const qint64 idleKib = ProcessFigures::statusKib("VmRSS").value_or(-1);
    const qint64 cpuBefore = ProcessFigures::cpuMicroseconds();
    QElapsedTimer timer;
    timer.start();
    DbConnection connection;
    if (!connection.open(settings.connection, settings.connection.SqlDatabase, settings.timeouts))
        return ChildReport::fail(child, connection.lastError());
    qint64 rows = 0;
    {
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        if (!replay(query, settings, nodes, &rows))
            return ChildReport::fail(child, query.lastError().text());
    }
    connection.close();
    ChildReport::print(QStringLiteral("replay_ns"), timer.nsecsElapsed());
    ChildReport::print(QStringLiteral("cpu_us"), ProcessFigures::cpuMicroseconds() - cpuBefore);
    ChildReport::print(QStringLiteral("rows"), rows);
    ChildReport::printMemory(idleKib);
    return 0;
}

} // namespace

SweepSettings sweepSettings(const BenchOptions &options)
{
    SweepSettings settings;
    settings.connection = BenchHost(options.port, options.threshold).connectionFields();
    QString failure;
    settings.range = SweepRange::lastHours(options.hours, options.referenceTime, &failure)
                         .value_or(SweepRange());
    settings.threshold = qint16(options.threshold);
    settings.occurrences = 1;
    if (!options.ladder.isEmpty())
        settings.ladder
            = ThresholdLadder::fromText(options.ladder, &failure).value_or(ThresholdLadder());
    return settings;
}

SweepSettings tuneSettings(const BenchOptions &options)
{
    SweepSettings settings = sweepSettings(options);
    settings.ladder = ThresholdLadder::standard();
    settings.threshold = settings.ladder.threshold(0);
    return settings;
}

int sweepOnce(const BenchOptions &options)
{
    const SweepSettings settings = sweepSettings(options);
    ProcessFigures::resetPeak();
    const qint64 idleKib = ProcessFigures::statusKib("VmRSS").value_or(-1);
    QElapsedTimer timer;
    timer.start();
    SweepEngine engine(settings);
    const auto result = engine.sweep();
    const qint64 sweepNs = timer.nsecsElapsed();
    if (!result)
        return ChildReport::fail(QStringLiteral("--one-sweep"), engine.lastError());
    if (result->store != SampleStore::InMonitoringDatabase)
        return ChildReport::fail(
            QStringLiteral("--one-sweep"), QStringLiteral("no online sample tables"));
    ChildReport::print(QStringLiteral("sweep_ns"), sweepNs);
    ChildReport::print(QStringLiteral("rows"), qint64(result->rows.size()));
    ChildReport::printMemory(idleKib);
    return 0;
}

int sweepReplayOnce(const BenchOptions &options)
{
    return replayOnce(
        sweepSettings(options), NodesRead::Last, QStringLiteral("--one-sweep-replay"));
}

int tuneReplayOnce(const BenchOptions &options)
{
    return replayOnce(tuneSettings(options), NodesRead::First, QStringLiteral("--one-tune-replay"));
}

// The tuning as `tovik-cpu-check tune` counts it: the analysis while the rows are read, then its
// json, with --incidents scored against that file.
int tuneOnce(const BenchOptions &options)
{
    const QString child = QStringLiteral("--one-tune");
    const SweepSettings settings = tuneSettings(options);
    ProcessFigures::resetPeak();
    const qint64 idleKib = ProcessFigures::statusKib("VmRSS").value_or(-1);
    QElapsedTimer timer;
    timer.start();
    TuneRequest request;
    if (!options.incidentsFile.isEmpty()) {
        QString failure;
        request.incidents = IncidentFile::read(options.incidentsFile, &failure);
        if (!request.incidents)
            return ChildReport::fail(child, failure);
        request.budget = kIncidentsBudget;
    }
    SweepEngine engine(settings);
    TuneAnalysis analysis(settings, std::move(request));
    qint64 rows = 0;
    const auto frame = engine.stream(
        [&](const LadderCell &cell, const qint32 *counts) {
            analysis.add(cell, counts);
            ++rows;
        },
        {}, [&analysis](const SweepFrame &frame) { analysis.begin(frame); });
    const qint64 runNs = timer.nsecsElapsed();
    QBuffer json;
    const bool written
        = frame && json.open(QIODevice::WriteOnly) && TuneJson::write(json, analysis);
    const qint64 tuneNs = timer.nsecsElapsed();
    if (!frame)
        return ChildReport::fail(child, engine.lastError());
    if (frame->store != SampleStore::InMonitoringDatabase || analysis.surface().isEmpty())
        return ChildReport::fail(child, QStringLiteral("no online sample tables"));
    if (!written)
        return ChildReport::fail(child, QStringLiteral("the json could not be written"));
    ChildReport::print(QStringLiteral("tune_ns"), tuneNs);
    ChildReport::print(QStringLiteral("surface_ns"), tuneNs - runNs);
    ChildReport::print(QStringLiteral("rows"), rows);
    ChildReport::printMemory(idleKib);
    return 0;
}

} // namespace tovik::bench
