#include "testrun/DeviceSummary.h"

#include "host/RunHost.h"
#include "monitoring/AlarmRules.h"
#include "monitoring/NodeAttributes.h"
#include "output/Pause.h"
#include "testrun/HandOverRunLog.h"
#include "testrun/RunEndings.h"
#include "testrun/TestRun.h"

namespace tovik {

namespace {

constexpr qint16 testTrapPauseMs = 500;

QString attributeQuery(qint32 nodeId)
{
    return QStringLiteral("SELECT node_name, address, trapcomm FROM ATR_Nodes WHERE node_id = '")
        + QString::number(nodeId) + u'\'';
}

// Only the first row counts; a missing row or a NULL leaves the text empty.
NodeAttributes attributesFrom(const QueryRows &rows)
{
    return rows.isEmpty() ? NodeAttributes() : NodeAttributes::fromRow(rows.first(), 0);
}

// One look-up block; false when the query failed.
bool lookUp(TestRun &run, const NodeHit &hit, NodeAttributes *attributes)
{
    const quint32 start = run.session.startMark();
    const QString id = QString::number(hit.nodeId);
    const auto rows = run.session.query(run.mainConnection,
        {QStringLiteral("*** Get Attributes for recId '") + id + " '"}, attributeQuery(hit.nodeId),
        start, QuerySession::Timing::ByCaller);
    if (!rows)
        return false;
    *attributes = attributesFrom(*rows);
    run.log.appendLine(QStringLiteral("node_id\ttimes\tname\taddress\ttrapcomm"));
    run.log.appendLine(QStringList {id, QString::number(hit.count), attributes->name,
        attributes->address, attributes->trapCommunity}
                           .join(RunLog::tab));
    run.session.appendTimingFrom(start);
    return true;
}

QString caughtLine(const NodeAttributes &attributes, const NodeHit &hit)
{
    return attributes.name + RunLog::tab + QString::number(hit.count) + QStringLiteral(" times");
}

void appendSummary(TestRun &run, const RunLog &caughtLines, bool testTrapSent)
{
    run.log.appendLine(QStringLiteral("Devices caught by Threshold Conditions."));
    run.log.append(caughtLines);
    if (testTrapSent) {
        run.log.appendLine();
        run.log.appendLine();
        run.log.appendLine(QStringLiteral("Test Trap sent for one Device."));
    }
}

} // namespace

void SummarizeDevices(TestRun &run)
{
    // The caught devices' lines follow the disconnect line, but each is written at its look-up,
    // so that no node's attributes are kept for the whole run.
    RunLog caughtLines;
    bool testTrapSent = false;
    for (const NodeHit &hit : std::as_const(run.nodeHits)) {
        if (hit.nodeId == 0)
            continue;
        NodeAttributes attributes;
        if (!lookUp(run, hit, &attributes)) {
            RunEndings::queryFailure(run);
            return;
        }
        ++run.outcome.countedDevices;
        if (!AlarmRules::isCaught(hit.nodeId, hit.count, run.alarm.occurrences))
            continue;
        caughtLines.appendLine(caughtLine(attributes, hit));
        if (run.settings.listsCaughtDevices)
            run.outcome.caught << CaughtDevice {
                hit.nodeId, attributes.name, hit.count, hit.reportId};
        if (!testTrapSent) {
            // The test trap is only simulated: a pause, and a line in the summary.
            if (run.settings.showsWindow)
                Pause(run.host, testTrapPauseMs);
            testTrapSent = true;
        }
    }

    run.session.disconnect(run.mainConnection, run.shownMainConnection);
    appendSummary(run, caughtLines, testTrapSent);
    handOverRunLog(run);
    recordEnding(run, RunEnding::NormalEnd);
    run.host.setTestEnabled(true);
}

} // namespace tovik
