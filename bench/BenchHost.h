#pragma once

#include "RecordingHost.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

namespace tovik::bench {

// One stretch of a run spent in Pause: its 10 ms cycles, and the time from the host call before
// the first cycle to the last cycle.
struct WaitBlock
{
    int cycles = 0;
    qint64 nanoseconds = 0;
    // The host call that came right before the wait, which tells which wait it was.
    QString after;
};

// The window's side of a run without a display, set up for the benchmark's server, that times
// every wait in Pause on its own so that the fixed waits can be told apart from the run's work.
// A wait starts right after one of two calls: the run log's file wait after the clock is read for
// its deadline, the test-trap pause after a look-up's timing reads the tick counter.
class BenchHost : public test::RecordingHost
{
public:
    BenchHost(quint16 port, int threshold);

    void processEvents() override;
    QDateTime currentDateTime() const override;
    quint32 tickCount() const override;

    const QList<WaitBlock> &waits() const { return m_waits; }

private:
    void markCall(const QString &call) const;

    QList<WaitBlock> m_waits;
    QElapsedTimer m_clock;
    mutable qint64 m_lastCallNs = 0;
    mutable QString m_lastCall;
    mutable bool m_waiting = false;
};

} // namespace tovik::bench
