#include "explorer/SweepWorker.h"

#include <QElapsedTimer>

namespace tovik {

void SweepWorker::run(quint64 request, const SweepSettings &settings)
{
    SweepEngine engine(settings);
    {
        QMutexLocker lock(&m_mutex);
        m_engine = &engine;
        m_cancelRequested = false;
    }
    QElapsedTimer clock;
    clock.start();
    // run() clears a cancel that came before it started; the first report catches it up.
    auto result = engine.run([this, request, &engine](int report, int reports) {
        if (m_cancelRequested)
            engine.cancel();
        emit progress(request, report, reports);
    });
    const bool cancelled = engine.wasCancelled() || m_cancelRequested;
    {
        QMutexLocker lock(&m_mutex);
        m_engine = nullptr;
    }
    if (result)
        emit finished(
            request, std::make_shared<const SweepResult>(std::move(*result)), clock.elapsed());
    else
        emit failed(request, engine.lastError(), cancelled);
}

void SweepWorker::cancel()
{
    QMutexLocker lock(&m_mutex);
    m_cancelRequested = true;
    if (m_engine)
        m_engine->cancel();
}

} // namespace tovik
