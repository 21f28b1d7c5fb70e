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
int examinedHour(const SweepResult &result, const QueryRow &row)
{
    bool isNumber = false;
    const qint64 hourNumber = column(row, 1).toLongLong(&isNumber);
    const auto hour = isNumber ? result.range.indexOfHourNumber(hourNumber) : std::nullopt;
    return hour && result.monitored.at(*hour) ? *hour : -1;
}

bool rowOrder(const SweepRow &a, const SweepRow &b)
{
    return std::tie(a.hourIndex, a.reportIndex, a.nodeId)
        < std::tie(b.hourIndex, b.reportIndex, b.nodeId);
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

std::optional<SweepResult> SweepEngine::run(const Progress &progress)
{
    m_cancelled = false;
    m_main.resumeAfterCancel();
    m_report.resumeAfterCancel();
    m_lastError.clear();
    m_openFailed = false;

    SweepResult result;
    result.range = m_settings.range;
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
    complete = complete && (result.rows.empty() || readNodes(result));
    m_main.close();
    m_report.close();
    if (!complete)
        return std::nullopt;
    std::sort(result.rows.begin(), result.rows.end(), rowOrder);
    return result;
}

// Where the test run would count, found by the same discovery.
bool SweepEngine::discover(SweepResult &result)
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

bool SweepEngine::countReport(SweepResult &result, int reportIndex)
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
    DbConnection &connection, const QString &table, SweepResult &result, int reportIndex)
{
    const QVariantList values {result.range.from(), result.range.to(), int(m_settings.threshold)};
    if (!connection.execPrepared(SweepQueries::aggregate(table), values))
        return failWith(connection);
    const bool read = connection.forEachRow([&result, reportIndex](const QueryRow &row) {
        const int hour = examinedHour(result, row);
        if (hour >= 0 && !column(row, 0).isNull())
            result.rows.push_back({IntegerConversion::toInt32(column(row, 0)).value_or(0),
                IntegerConversion::toInt32(column(row, 2)).value_or(0), quint16(hour),
                quint16(reportIndex)});
    });
    return read || failWith(connection);
}

bool SweepEngine::readNodes(SweepResult &result)
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
