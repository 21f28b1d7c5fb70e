#include "explorer/DeviceLoadController.h"

namespace tovik {

DeviceLoadController::DeviceLoadController(QObject *parent)
    : QObject(parent)
    , m_worker(new DeviceLoadWorker)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &DeviceLoadWorker::finished, this, &DeviceLoadController::showLoad);
    connect(m_worker, &DeviceLoadWorker::failed, this, &DeviceLoadController::showFailure);
    m_thread.setObjectName(QStringLiteral("deviceLoad"));
    m_thread.start();
}

DeviceLoadController::~DeviceLoadController()
{
    m_worker->cancel(m_request);
    m_thread.quit();
    m_thread.wait();
}

void DeviceLoadController::load(const DeviceLoadQuery &query)
{
    m_worker->cancel(m_request);
    const quint64 request = ++m_request;
    setLoading(true);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, request, query] { worker->run(request, query); });
}

void DeviceLoadController::drop()
{
    m_worker->cancel(m_request);
    setLoading(false);
}

void DeviceLoadController::showLoad(quint64 request, DeviceLoadWorker::LoadPointer load)
{
    if (isStale(request))
        return;
    setLoading(false);
    emit loaded(std::move(load));
}

// A cancelled read's answer is always stale: only drop() and a newer request cancel.
void DeviceLoadController::showFailure(quint64 request, const QString &description)
{
    if (isStale(request))
        return;
    setLoading(false);
    emit failed(description);
}

void DeviceLoadController::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    emit loadingChanged(loading);
}

} // namespace tovik
