#include "sweep/SweepEngine.h"

#include "common/IntegerConversion.h"
#include "sweep/SweepQueries.h"
#include "testrun/CatalogReader.h"
#include "testrun/ReportDiscovery.h"

#include <algorithm>

namespace tovik {

namespace {

// Report ids as the test run counts them: every report row whose id converts and is not 0, each
// report once.
QList<qint32> countedReports(const CpuReportList &reports)
{
    QList<qint32> ids;
    for (const CpuReport &report : reports) {
        if (report.report_id != 0 && !ids.contains(report.report_id))
            ids << report.report_id;
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The index of an aggregate row's hour, or -1 when that hour is not examined.
int examinedHour(const LadderResult &result, const QVariant &hourColumn)
{
    bool isNumber = false;
    const qint64 hourNumber = hourColumn.toLongLong(&isNumber);
    const auto hour = isNumber ? result.range.indexOfHourNumber(hourNumber) : std::nullopt;
    return hour && result.monitored.at(*hour) ? *hour : -1;
}

// The thresholds, then the time bounds, as the aggregate query binds them.
QVariantList aggregateValues(const LadderResult &result)
{
    QVariantList values;
    for (const qint16 threshold : result.ladder.thresholds())
        values << int(threshold);
    return values << result.range.from() << result.range.to();
}

} // namespace

SweepEngine::SweepEngine(SweepSettings settings)
    : m_settings(std::move(settings))
{
}

void SweepEngine::cancel()
{
    m_cancelled = true;
    m_main.cancel();
    m_report.cancel();
}

bool SweepEngine::fail(const QString &description)
{
    m_lastError = description;
    return false;
}

bool SweepEngine::failWith(const DbConnection &connection)
{
    return fail(connection.lastError());
}

bool SweepEngine::failToOpen(const DbConnection &connection)
{
    m_openFailed = true;
    return failWith(connection);
}

bool SweepEngine::stopIfCancelled()
{
    return m_cancelled && !fail(QStringLiteral("The sweep was cancelled."));
}

std::optional<LadderResult> SweepEngine::run(const Progress &progress)
{
    m_cancelled = false;
    m_main.resumeAfterCancel();
    m_report.resumeAfterCancel();
    m_lastError.clear();
    m_openFailed = false;

    LadderResult result;
    result.range = m_settings.range;
    result.ladder = m_settings.countedLadder();
    result.counts = LadderCounts(result.ladder.size() + 1);
    for (int i = 0; i < result.range.hourCount(); ++i)
        result.monitored << m_settings.isMonitored(result.range.hour(i));

    if (!m_main.open(m_settings.connection, m_settings.connection.SqlDatabase, m_settings.timeouts,
            m_settings.security)) {
        failToOpen(m_main);
        return std::nullopt;
    }
    bool complete = discover(result);
    if (complete && result.store != SampleStore::None) {
        for (int i = 0; complete && i < result.reportIds.size(); ++i) {
            if (progress)
                progress(i + 1, int(result.reportIds.size()));
            complete = !stopIfCancelled() && countReport(result, i);
        }
    }
    complete = complete && (result.cells.empty() || readNodes(result));
    m_main.close();
    m_report.close();
    if (!complete)
        return std::nullopt;
    result.arrange();
    return result;
}

std::optional<SweepResult> SweepEngine::sweep(const Progress &progress)
{
    const std::optional<LadderResult> ladder = run(progress);
    return ladder ? ladder->atThreshold(m_settings.threshold) : std::nullopt;
}

// Where the test run would count, found by the same discovery.
bool SweepEngine::discover(LadderResult &result)
{
    CatalogReader reader(m_main);
    const ReportDiscovery discovery = ReportDiscovery::discover(reader);
    switch (discovery.outcome) {
    case ReportDiscovery::Outcome::QueryFailed:
        return failWith(m_main);
    case ReportDiscovery::Outcome::NoCpuReports:
        return fail(ReportDiscovery::kNoReportsMessage);
    case ReportDiscovery::Outcome::StoreChosen:
        break;
    }
    result.reportIds = countedReports(discovery.reports);
    result.store = discovery.store;
    return true;
}

bool SweepEngine::countReport(LadderResult &result, int reportIndex)
{
    const qint32 id = result.reportIds.at(reportIndex);
    if (result.store == SampleStore::OnlineDb)
        return readAggregate(m_main, SampleStoreNames::onlineTable(id), result, reportIndex);
    if (!m_report.open(m_settings.connection, SampleStoreNames::reportDatabase(id),
            m_settings.timeouts, m_settings.security))
        return failToOpen(m_report);
    const bool read
        = readAggregate(m_report, SampleStoreNames::kReportDatabaseTable, result, reportIndex);
    m_report.close();
    return read;
}

bool SweepEngine::readAggregate(
    DbConnection &connection, const QString &table, LadderResult &result, int reportIndex)
{
    const QString sql = SweepQueries::aggregate(table, result.ladder.size());
    if (!connection.execPrepared(sql, aggregateValues(result)))
        return failWith(connection);
    QList<qint32> counts(result.counts.width());
    const bool read = connection.forEachRecord([&](const QSqlQuery &row) {
        const int hour = examinedHour(result, row.value(1));
        const QVariant node = row.value(0);
        if (hour < 0 || node.isNull())
            return;
        result.cells.push_back(
            {IntegerConversion::toInt32(node).value_or(0), quint16(hour), quint16(reportIndex)});
        for (int i = 0; i < counts.size(); ++i)
            counts[i] = std::max(IntegerConversion::toInt32(row.value(2 + i)).value_or(0), 0);
        result.counts.append(counts.constData());
    });
    return read || failWith(connection);
}

bool SweepEngine::readNodes(LadderResult &result)
{
    if (!m_main.exec(SweepQueries::nodeAttributes()))
        return failWith(m_main);
    const bool read = m_main.forEachRow([&result](const QueryRow &row) {
        const auto id = IntegerConversion::toInt32(column(row, 0));
        if (id && !result.nodes.contains(*id))
            result.nodes.insert(*id, NodeAttributes::fromRow(row, 1));
    });
    return read || failWith(m_main);
}

} // namespace tovik
