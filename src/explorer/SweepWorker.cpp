#include "explorer/SweepWorker.h"

#include <QElapsedTimer>

namespace tovik {

SweepWorker::SweepWorker(std::unique_ptr<SweepRunner> runner)
    : m_runner(std::move(runner))
{
}

SweepWorker::~SweepWorker() = default;

void SweepWorker::run(quint64 request, const SweepSettings &settings)
{
    QElapsedTimer clock;
    clock.start();
    QString failure;
    // A runner forgets a cancel that came before its sweep started; the first report catches it
    // up.
    auto result = m_runner->run(
        settings,
        [this, request](int report, int reports) {
            if (isCancelled(request))
                m_runner->cancel();
            emit progress(request, report, reports);
        },
        &failure);
    if (result)
        emit finished(
            request, std::make_shared<const LadderResult>(std::move(*result)), clock.elapsed());
    else
        emit failed(request, failure, isCancelled(request));
}

void SweepWorker::cancel(quint64 request)
{
    m_cancelledUpTo = request;
    m_runner->cancel();
}

} // namespace tovik
