#include "sweep/SweepEngine.h"

#include "common/IntegerConversion.h"
#include "monitoring/AlarmRules.h"
#include "monitoring/CatalogReader.h"
#include "monitoring/ReportDiscovery.h"
#include "sweep/SweepQueries.h"

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

// The report_name of each of ids, from the first report row of that id.
QStringList reportNames(const QList<qint32> &ids, const CpuReportList &reports)
{
    QStringList names;
    for (const qint32 id : ids) {
        const auto report = std::find_if(reports.cbegin(), reports.cend(),
            [id](const CpuReport &candidate) { return candidate.report_id == id; });
        names << report->report_name;
    }
    return names;
}

// The index of an aggregate row's hour in the range.
std::optional<int> hourInRange(const SweepFrame &frame, std::optional<qint64> hourNumber)
{
    return hourNumber ? frame.range.indexOfHourNumber(*hourNumber) : std::nullopt;
}

// The thresholds, then the time bounds, as the aggregate query binds them.
QVariantList aggregateValues(const SweepFrame &frame, const ThresholdLadder &ladder)
{
    QVariantList values;
    for (const qint16 threshold : ladder.thresholds())
        values << int(threshold);
    return values << frame.range.from() << frame.range.to();
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
    LadderResult result;
    result.ladder = m_settings.countedLadder();
    const auto keep
        = [&result](const LadderCell &cell, const qint32 *counts) { result.add(cell, counts); };
    if (!sweepInto(result, result.ladder, keep, progress))
        return std::nullopt;
    result.arrange();
    return result;
}

std::optional<SweepFrame> SweepEngine::stream(
    const CellSink &sink, const Progress &progress, const FrameReady &ready)
{
    SweepFrame frame;
    if (!sweepInto(frame, m_settings.countedLadder(), sink, progress, ready))
        return std::nullopt;
    return frame;
}

// Keeps only the rows at the threshold, so that a sweep of one setting holds no more than them.
std::optional<SweepResult> SweepEngine::sweep(const Progress &progress)
{
    const ThresholdLadder ladder = m_settings.countedLadder();
    const int column = 1 + *ladder.stepOf(m_settings.threshold);
    SweepResult result;
    const auto keep = [&result, column](const LadderCell &cell, const qint32 *counts) {
        result.add(SweepResult::rowOf(cell, counts[column], counts[0]));
    };
    if (!sweepInto(result, ladder, keep, progress))
        return std::nullopt;
    std::sort(result.rows.begin(), result.rows.end(), comesBefore<SweepRow>);
    std::sort(result.belowRows.begin(), result.belowRows.end(), comesBefore<SweepRow>);
    return result;
}

bool SweepEngine::sweepInto(SweepFrame &frame, const ThresholdLadder &ladder, const CellSink &keep,
    const Progress &progress, const FrameReady &ready)
{
    m_cancelled = false;
    m_main.resumeAfterCancel();
    m_report.resumeAfterCancel();
    m_lastError.clear();
    m_openFailed = false;

    frame.range = m_settings.range;
    frame.monitored = m_settings.monitoredHours();
    if (!m_main.open(m_settings.connection, m_settings.connection.SqlDatabase, m_settings.timeouts,
            m_settings.security))
        return failToOpen(m_main);
    bool complete = discover(frame);
    if (complete && frame.store != SampleStore::NotFound) {
        // The nodes are read first only for a caller that needs them before the counts: a sweep
        // without any sample needs none of them.
        if (ready) {
            complete = readNodes(frame);
            if (complete)
                ready(frame);
        }
        for (int i = 0; complete && i < frame.reportIds.size(); ++i) {
            if (progress)
                progress(i + 1, int(frame.reportIds.size()));
            complete = !stopIfCancelled() && countReport(frame, ladder, keep, i);
        }
    }
    complete = complete && (ready || !frame.sampledReports.contains(true) || readNodes(frame));
    m_main.close();
    m_report.close();
    return complete;
}

// Where the test run would count, found by the same discovery.
bool SweepEngine::discover(SweepFrame &frame)
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
    frame.reportIds = countedReports(discovery.reports);
    frame.reportNames = reportNames(frame.reportIds, discovery.reports);
    frame.sampledReports = QList<bool>(frame.reportIds.size(), false);
    frame.store = discovery.store;
    return true;
}

bool SweepEngine::countReport(
    SweepFrame &frame, const ThresholdLadder &ladder, const CellSink &keep, int reportIndex)
{
    // Only a store that discovery found is counted in.
    const SampleLocation location
        = *SampleStoreNames::locate(frame.store, frame.reportIds.at(reportIndex));
    if (location.inMonitoringDatabase())
        return readAggregate(m_main, location.table, frame, ladder, keep, reportIndex);
    if (!m_report.open(m_settings.connection, location.reportDatabase, m_settings.timeouts,
            m_settings.security))
        return failToOpen(m_report);
    const bool read = readAggregate(m_report, location.table, frame, ladder, keep, reportIndex);
    m_report.close();
    return read;
}

bool SweepEngine::readAggregate(DbConnection &connection, const QString &table, SweepFrame &frame,
    const ThresholdLadder &ladder, const CellSink &keep, int reportIndex)
{
    if (!connection.execPrepared(
            SweepQueries::aggregate(table, ladder.size()), aggregateValues(frame, ladder)))
        return failWith(connection);
    QList<qint32> counts(ladder.size() + 1);
    const bool read = connection.forEachIntegerRow([&](const std::optional<qint64> *row) {
        const std::optional<int> hour = hourInRange(frame, row[1]);
        if (!hour || !row[0])
            return;
        const qint32 nodeId = IntegerConversion::toInt32(row[0]).value_or(0);
        frame.sampledReports[reportIndex] = true;
        if (!frame.monitored.at(*hour)) {
            if (AlarmRules::isDevice(nodeId))
                frame.unexaminedDevices.insert(SweepFrame::deviceKey(quint16(reportIndex), nodeId));
            return;
        }
        for (int i = 0; i < counts.size(); ++i)
            counts[i] = std::max(IntegerConversion::toInt32(row[2 + i]).value_or(0), 0);
        keep({nodeId, quint16(*hour), quint16(reportIndex)}, counts.constData());
    });
    return read || failWith(connection);
}

bool SweepEngine::readNodes(SweepFrame &frame)
{
    if (!m_main.exec(SweepQueries::nodeAttributes()))
        return failWith(m_main);
    const bool read = m_main.forEachRow([&frame](const QueryRow &row) {
        const auto id = IntegerConversion::toInt32(column(row, 0));
        if (id && !frame.nodes.contains(*id))
            frame.nodes.insert(*id, NodeAttributes::fromRow(row, 1));
    });
    return read || failWith(m_main);
}

} // namespace tovik
