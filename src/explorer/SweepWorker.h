#pragma once

#include "sweep/SweepEngine.h"

#include <QMutex>
#include <QObject>
#include <atomic>
#include <memory>

namespace tovik {

// Runs sweeps on the thread it lives on, each with an engine, and so connections, of its own.
// Every request carries a number that its signals repeat, so the window knows which one ended.
class SweepWorker : public QObject
{
    Q_OBJECT

public:
    using ResultPointer = std::shared_ptr<const SweepResult>;

    // Call on the worker's thread, through a queued call.
    void run(quint64 request, const SweepSettings &settings);
    // From any thread: the running sweep ends through the driver's statement cancel.
    void cancel();

signals:
    void progress(quint64 request, int report, int reports);
    void finished(quint64 request, tovik::SweepWorker::ResultPointer result, qint64 elapsedMs);
    void failed(quint64 request, const QString &description, bool cancelled);

private:
    QMutex m_mutex;
    SweepEngine *m_engine = nullptr;
    std::atomic<bool> m_cancelRequested = false;
};

} // namespace tovik
