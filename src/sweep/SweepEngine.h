#pragma once

#include "db/DbConnection.h"
#include "sweep/LadderResult.h"
#include "sweep/SweepSettings.h"

#include <atomic>
#include <functional>
#include <optional>

namespace tovik {

// The test run's counting over a range of hours, done by the database: the same discovery, then
// one aggregate query per report over the whole range, counting at every threshold of the
// settings' ladder at once, and one query for the node attributes.
// It only reads, keeps no log and shows nothing; run() blocks, so a window calls it on a worker
// thread, which then owns the engine and its connections.
class SweepEngine
{
public:
    // Called on run()'s thread before the query of report k of n (k from 1).
    using Progress = std::function<void(int report, int reports)>;
    // Takes each examined node-hour as it is read, with its counts: the samples at any load, then
    // those at or over each threshold of the settings' counted ladder, in its order.
    using CellSink = std::function<void(const LadderCell &cell, const qint32 *counts)>;
    // Called once before the first node-hour, when the reports and the nodes' attributes are
    // known, so that a sink can prepare what it needs of them.
    using FrameReady = std::function<void(const SweepFrame &frame)>;

    explicit SweepEngine(SweepSettings settings);

    // Nothing, with lastError() set to the driver's description or "No Online CPU Reports
    // Found", when the sweep could not complete.
    std::optional<LadderResult> run(const Progress &progress = {});
    // run() for a caller that counts what it needs as the rows arrive: every node-hour goes to
    // sink and none is kept, so that memory does not grow with the node-hours. With ready, the
    // nodes' attributes are read before the reports' counts and handed to it first.
    std::optional<SweepFrame> stream(
        const CellSink &sink, const Progress &progress = {}, const FrameReady &ready = {});
    // run()'s rows at the settings' threshold.
    std::optional<SweepResult> sweep(const Progress &progress = {});
    const QString &lastError() const { return m_lastError; }
    // Whether the failure was that a connection could not be opened, so that a front-end can say
    // what was tried.
    bool openFailed() const { return m_openFailed; }

    // From any thread: ends a running run() soon, its running query through the driver's
    // statement cancel; that run() then fails with wasCancelled() true.
    void cancel();
    bool wasCancelled() const { return m_cancelled; }

private:
    bool sweepInto(SweepFrame &frame, const ThresholdLadder &ladder, const CellSink &keep,
        const Progress &progress, const FrameReady &ready = {});
    bool discover(SweepFrame &frame);
    bool countReport(
        SweepFrame &frame, const ThresholdLadder &ladder, const CellSink &keep, int reportIndex);
    bool readAggregate(DbConnection &connection, const QString &table, SweepFrame &frame,
        const ThresholdLadder &ladder, const CellSink &keep, int reportIndex);
    bool readNodes(SweepFrame &frame);
    bool fail(const QString &description);
    bool failWith(const DbConnection &connection);
    bool failToOpen(const DbConnection &connection);
    bool stopIfCancelled();

    SweepSettings m_settings;
    DbConnection m_main;
    DbConnection m_report;
    QString m_lastError;
    bool m_openFailed = false;
    std::atomic<bool> m_cancelled = false;
};

} // namespace tovik
