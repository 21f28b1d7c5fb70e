#include "BenchHost.h"

#include "app/ControlNames.h"

#include <QCoreApplication>

namespace tovik::bench {

BenchHost::BenchHost(quint16 port, int threshold)
{
    setText(control::kCboOnlConnType, "Remote SQL Authentication");
    setText(control::kTxtOnlDbServer, "127.0.0.1");
    setText(control::kTxtOnlDbPort, QString::number(port));
    setText(control::kTxtCpuLoadThreshold, QString::number(threshold));
    // Every counted node is a caught device, so the summary is as long as it gets.
    setText(control::kTxtCpuOverThreshold, "1");
    m_clock.start();
}

void BenchHost::markCall(const QString &call) const
{
    m_waiting = false;
    m_lastCall = call;
    m_lastCallNs = m_clock.nsecsElapsed();
}

void BenchHost::processEvents()
{
    // As the window does, so that the waits cost what they cost there.
    QCoreApplication::processEvents();
    RecordingHost::processEvents();
    const qint64 now = m_clock.nsecsElapsed();
    if (!m_waiting) {
        m_waits << WaitBlock {0, 0, m_lastCall};
        m_waiting = true;
    }
    WaitBlock &block = m_waits.last();
    ++block.cycles;
    block.nanoseconds += now - m_lastCallNs;
    m_lastCallNs = now;
}

QDateTime BenchHost::currentDateTime() const
{
    markCall(QStringLiteral("currentDateTime"));
    return RecordingHost::currentDateTime();
}

quint32 BenchHost::tickCount() const
{
    markCall(QStringLiteral("tickCount"));
    return RecordingHost::tickCount();
}

} // namespace tovik::bench
