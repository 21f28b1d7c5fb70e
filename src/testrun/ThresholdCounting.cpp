#include "testrun/ThresholdCounting.h"

#include "common/IntegerConversion.h"
#include "common/ValueText.h"
#include "host/RunHost.h"
#include "monitoring/SampleStore.h"
#include "testrun/RunEndings.h"
#include "testrun/ShownConnectionString.h"
#include "testrun/TestRun.h"

namespace tovik {

namespace {

const QString nodeHeader
    = QStringLiteral("*** Get All uniq node_id's with a cpu value >= cpu threshold ***");

// The sample table of one report, how the queries name it, and the hour and threshold condition
// of the run, built once per report rather than for every node.
struct SampleTable
{
    QString name;
    DbConnection &connection;
    QString condition;
    qint32 reportId;
};

// Each counting function reads the one store it is called for.
SampleLocation sampleLocation(SampleStore store, qint32 reportId)
{
    return *SampleStoreNames::locate(store, reportId);
}

QString timeAndLoadCondition(const TestRun &run)
{
    return QStringLiteral("hist_time >= '") + run.examinedHour.start
        + QStringLiteral("' AND hist_time < '") + run.examinedHour.end
        + QStringLiteral("' AND ProcessorLoad >= '") + QString::number(run.alarm.threshold) + u'\'';
}

QString nodeQuery(const SampleTable &table)
{
    return QStringLiteral("SELECT DISTINCT node_id FROM ") + table.name + QStringLiteral(" WHERE ")
        + table.condition;
}

QString countQuery(const SampleTable &table, const QString &node)
{
    return QStringLiteral("SELECT COUNT(node_id) FROM ") + table.name
        + QStringLiteral(" WHERE node_id = '") + node + QStringLiteral("' AND ") + table.condition;
}

// One node block: its count query, the stored hit and the lines. False when the query failed.
bool countNode(TestRun &run, const SampleTable &table, const QVariant &nodeValue)
{
    const quint32 nodeStart = run.session.startMark();
    const QString node = valueText(nodeValue);
    const auto rows = run.session.query(table.connection,
        {QStringLiteral("*** Count number of times node_id '") + node
            + QStringLiteral("' has a cpu value >= cpu threshold ***")},
        countQuery(table, node), nodeStart, QuerySession::Timing::ByCaller);
    if (!rows)
        return false;
    const QVariant count = rows->isEmpty() ? QVariant() : column(rows->first(), 0);
    run.nodeHits << NodeHit {IntegerConversion::toInt32(nodeValue).value_or(0),
        IntegerConversion::toInt16(count).value_or(0), table.reportId};
    run.log.appendLine(QStringLiteral("node_id\ttimes"));
    run.log.appendLine(node + RunLog::tab + valueText(count));
    run.session.appendTimingFrom(nodeStart);
    return true;
}

// The node query and every node block of one report, timed from reportStart.
bool countReport(TestRun &run, const SampleTable &table, quint32 reportStart)
{
    const auto nodes
        = run.session.query(table.connection, {nodeHeader}, nodeQuery(table), reportStart);
    if (!nodes)
        return false;
    for (const QueryRow &row : *nodes) {
        if (!countNode(run, table, column(row, 0)))
            return false;
    }
    return true;
}

} // namespace

bool CountInMonitoringDatabase(TestRun &run)
{
    for (const CpuReport &report : std::as_const(run.reports)) {
        if (report.report_id == 0)
            continue;
        const quint32 reportStart = run.session.startMark();
        const SampleTable table {
            sampleLocation(SampleStore::InMonitoringDatabase, report.report_id).table,
            run.mainConnection, timeAndLoadCondition(run), report.report_id};
        if (!countReport(run, table, reportStart)) {
            RunEndings::queryFailure(run);
            return false;
        }
    }
    return true;
}

bool CountInReportDatabases(TestRun &run)
{
    for (const CpuReport &report : std::as_const(run.reports)) {
        if (report.report_id == 0)
            continue;
        const ConnectionFields fields = run.host.connectionFields();
        const QString shown = ShownConnectionString::report(fields.masked(), report.report_id);
        const quint32 reportStart = run.session.startMark();
        const SampleLocation location
            = sampleLocation(SampleStore::InReportDatabases, report.report_id);
        const SampleTable table {
            location.table, run.reportConnection, timeAndLoadCondition(run), report.report_id};
        // The second timing line of a report counts from the same start, connect included.
        if (!run.session.connect(
                run.reportConnection, fields, location.reportDatabase, shown, reportStart)
            || !countReport(run, table, reportStart)) {
            RunEndings::queryFailure(run, true);
            return false;
        }
        run.session.disconnect(run.reportConnection, shown);
    }
    return true;
}

} // namespace tovik
