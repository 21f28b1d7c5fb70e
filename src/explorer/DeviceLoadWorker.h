#pragma once

#include "sweep/DeviceLoadReader.h"

#include <QMutex>
#include <QObject>
#include <atomic>
#include <memory>

namespace tovik {

// Reads devices' samples on the thread it lives on, one request after another, each with a reader
// and so a connection of its own. Every request carries a number that its signals repeat.
class DeviceLoadWorker : public QObject
{
    Q_OBJECT

public:
    using LoadPointer = std::shared_ptr<const DeviceLoad>;

    // Call on the worker's thread, through a queued call.
    void run(quint64 request, const tovik::DeviceLoadQuery &query);
    // From one thread, with request numbers that only grow: ends the read of this request and of
    // every one before it, also when it has not started yet.
    void cancel(quint64 request);

signals:
    void finished(quint64 request, tovik::DeviceLoadWorker::LoadPointer load);
    void failed(quint64 request, const QString &description, bool cancelled);

private:
    bool isCancelled(quint64 request) const { return request <= m_cancelledUpTo; }
    QString failureOf(const DeviceLoadReader &reader, const DeviceLoadQuery &query) const;

    std::atomic<quint64> m_cancelledUpTo = 0;
    QMutex m_mutex;
    // The reader that runs now and its request.
    DeviceLoadReader *m_reader = nullptr;
    quint64 m_readerRequest = 0;
};

} // namespace tovik
