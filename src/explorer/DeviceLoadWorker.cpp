#include "explorer/DeviceLoadWorker.h"

#include "options/ConnectionFailureText.h"

namespace tovik {

void DeviceLoadWorker::run(quint64 request, const DeviceLoadQuery &query)
{
    // A request that a newer one replaced before it started costs no connection.
    if (isCancelled(request)) {
        emit failed(request, QString(), true);
        return;
    }
    DeviceLoadReader reader;
    {
        const QMutexLocker lock(&m_mutex);
        m_reader = &reader;
        m_readerRequest = request;
    }
    // A cancel between the check above and the reader's registration is caught up here.
    if (isCancelled(request))
        reader.cancel();
    auto load = reader.read(query);
    {
        const QMutexLocker lock(&m_mutex);
        m_reader = nullptr;
    }
    if (load)
        emit finished(request, std::make_shared<const DeviceLoad>(std::move(*load)));
    else
        emit failed(request, failureOf(reader, query), isCancelled(request));
}

QString DeviceLoadWorker::failureOf(
    const DeviceLoadReader &reader, const DeviceLoadQuery &query) const
{
    return reader.openFailed() ? ConnectionFailureText::diagnose(query.settings.connection,
               reader.lastError(), query.settings.security, query.settings.timeouts.loginSeconds)
                               : reader.lastError();
}

void DeviceLoadWorker::cancel(quint64 request)
{
    m_cancelledUpTo = std::max<quint64>(m_cancelledUpTo, request);
    const QMutexLocker lock(&m_mutex);
    if (m_reader && m_readerRequest <= request)
        m_reader->cancel();
}

} // namespace tovik
