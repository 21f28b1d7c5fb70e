#include "explorer/EngineSweepRunner.h"

#include "options/ConnectionFailureText.h"
#include "sweep/SweepEngine.h"

namespace tovik {

std::optional<LadderResult> EngineSweepRunner::run(
    const SweepSettings &settings, const Progress &progress, QString *failure)
{
    SweepEngine engine(settings);
    {
        QMutexLocker lock(&m_mutex);
        m_engine = &engine;
    }
    auto result = engine.run(progress);
    {
        QMutexLocker lock(&m_mutex);
        m_engine = nullptr;
    }
    if (!result) {
        *failure = engine.openFailed() ? ConnectionFailureText::diagnose(settings.connection,
                       engine.lastError(), settings.security, settings.timeouts.loginSeconds)
                                       : engine.lastError();
    }
    return result;
}

void EngineSweepRunner::cancel()
{
    QMutexLocker lock(&m_mutex);
    if (m_engine)
        m_engine->cancel();
}

} // namespace tovik
