#pragma once

#include "explorer/DeviceLoadWorker.h"

#include <QObject>
#include <QThread>

namespace tovik {

// The explorer's device queries without its window: on a worker thread of their own, so that one
// runs beside a sweep, the newest request replacing one that has not ended.
class DeviceLoadController : public QObject
{
    Q_OBJECT

public:
    explicit DeviceLoadController(QObject *parent = nullptr);
    ~DeviceLoadController() override;

    bool isLoading() const { return m_loading; }

public slots:
    // Reads the device's samples; a read still running for an earlier request is cancelled and
    // its answer never comes.
    void load(const tovik::DeviceLoadQuery &query);
    // Cancels the running read, whose answer then never comes.
    void drop();

signals:
    void loaded(tovik::DeviceLoadWorker::LoadPointer load);
    void failed(const QString &description);
    void loadingChanged(bool loading);

private:
    void showLoad(quint64 request, DeviceLoadWorker::LoadPointer load);
    void showFailure(quint64 request, const QString &description);
    bool isStale(quint64 request) const { return request != m_request || !m_loading; }
    void setLoading(bool loading);

    QThread m_thread;
    DeviceLoadWorker *m_worker = nullptr;
    quint64 m_request = 0;
    bool m_loading = false;
};

} // namespace tovik
