#pragma once

#include "explorer/SweepRunner.h"

#include <QObject>
#include <atomic>
#include <memory>

namespace tovik {

// Runs sweeps on the thread it lives on through a runner. Every request carries a number that its
// signals repeat, so the controller knows which one ended.
class SweepWorker : public QObject
{
    Q_OBJECT

public:
    using ResultPointer = std::shared_ptr<const LadderResult>;

    explicit SweepWorker(std::unique_ptr<SweepRunner> runner);
    ~SweepWorker() override;

    // Call on the worker's thread, through a queued call.
    void run(quint64 request, const SweepSettings &settings);
    // From one thread, with request numbers that only grow: ends the sweep of this request and of
    // every one before it, also when it has not started yet.
    void cancel(quint64 request);

signals:
    void progress(quint64 request, int report, int reports);
    void finished(quint64 request, tovik::SweepWorker::ResultPointer result, qint64 elapsedMs);
    void failed(quint64 request, const QString &description, bool cancelled);

private:
    bool isCancelled(quint64 request) const { return request <= m_cancelledUpTo; }

    std::unique_ptr<SweepRunner> m_runner;
    std::atomic<quint64> m_cancelledUpTo = 0;
};

} // namespace tovik
