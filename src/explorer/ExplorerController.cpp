#include "explorer/ExplorerController.h"

#include "explorer/ExplorerText.h"
#include "monitoring/AlarmSetting.h"
#include "sweep/LadderResult.h"
#include "sweep/SweepGrid.h"

namespace tovik {

ExplorerController::ExplorerController(std::unique_ptr<SweepRunner> runner, QObject *parent)
    : QObject(parent)
    , m_worker(new SweepWorker(std::move(runner)))
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &SweepWorker::progress, this, &ExplorerController::showProgress);
    connect(m_worker, &SweepWorker::finished, this, &ExplorerController::showResult);
    connect(m_worker, &SweepWorker::failed, this, &ExplorerController::showFailure);
    m_thread.setObjectName(QStringLiteral("sweep"));
    m_thread.start();

    m_requery.setSingleShot(true);
    m_requery.setInterval(kRequeryDelay);
    connect(&m_requery, &QTimer::timeout, this, &ExplorerController::requeryDue);
}

ExplorerController::~ExplorerController()
{
    m_worker->cancel(m_request);
    m_thread.quit();
    m_thread.wait();
}

void ExplorerController::setRequeryDelay(std::chrono::milliseconds delay)
{
    m_requery.setInterval(delay);
}

bool ExplorerController::runChoice(
    const SweepChoice &choice, const QDateTime &now, QString *failure)
{
    m_requery.stop();
    if (!AlarmSetting::monitorsSomeHour(choice.monStartHour, choice.monStopHour)) {
        *failure = AlarmSetting::noMonitoredHourText(choice.monStartHour, choice.monStopHour);
        return false;
    }
    auto sweep = choice.sweep(now, failure);
    if (!sweep)
        return false;
    sweep->ladder = ThresholdLadder::standard();
    run(*sweep);
    return true;
}

void ExplorerController::run(const SweepSettings &settings)
{
    m_requery.stop();
    if (m_running) {
        // The running sweep is for settings that are gone; the newest starts once it has ended.
        m_pending = settings;
        m_worker->cancel(m_request);
        return;
    }
    if (addsThresholdToShown(settings))
        addThreshold(settings);
    else
        start(settings);
}

// Another threshold alone needs only its own counts: the ladder on screen has every other.
bool ExplorerController::addsThresholdToShown(const SweepSettings &settings) const
{
    return m_ladder && settings.readsAsSweep(m_shownSettings)
        && !m_ladder->ladder.stepOf(settings.threshold);
}

void ExplorerController::addThreshold(const SweepSettings &settings)
{
    SweepSettings single = settings;
    single.ladder = {};
    start(single);
    m_runningSettings = settings;
    m_addingThreshold = true;
}

void ExplorerController::requeryLater()
{
    // Only once the user has asked for a sweep do changes query by themselves.
    if (m_grid || m_running)
        m_requery.start();
}

QString ExplorerController::timingText() const
{
    return m_redrawClock.isValid()
        ? ExplorerText::timingText(ExplorerText::Timing::Redraw, m_redrawClock.elapsed())
        : ExplorerText::timingText(ExplorerText::Timing::Query, m_lastSweepMs);
}

void ExplorerController::changeThreshold(qint16 threshold)
{
    startRedraw();
    // A waiting or running sweep is for settings the result on screen does not answer.
    if (m_running || m_requery.isActive() || !m_ladder || !m_ladder->ladder.stepOf(threshold)) {
        requeryLater();
        return;
    }
    showAt(threshold);
    emit thresholdShown();
}

void ExplorerController::stopRequery()
{
    m_requery.stop();
}

void ExplorerController::startRedraw()
{
    m_redrawClock.start();
}

void ExplorerController::cancel()
{
    m_requery.stop();
    m_pending.reset();
    if (m_running)
        m_worker->cancel(m_request);
}

void ExplorerController::start(const SweepSettings &settings)
{
    m_runningSettings = settings;
    m_addingThreshold = false;
    m_running = true;
    const quint64 request = ++m_request;
    emit started();
    emit runningChanged(true);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, request, settings] { worker->run(request, settings); });
}

void ExplorerController::showProgress(quint64 request, int report, int reports)
{
    if (!isStale(request))
        emit progress(report, reports);
}

bool ExplorerController::startPending()
{
    m_running = false;
    emit runningChanged(false);
    if (!m_pending)
        return false;
    const SweepSettings settings = *m_pending;
    m_pending.reset();
    start(settings);
    return true;
}

void ExplorerController::showResult(
    quint64 request, SweepWorker::ResultPointer result, qint64 elapsedMs)
{
    if (isStale(request) || startPending())
        return;
    if (m_addingThreshold && !showAddedThreshold(*result))
        return;
    m_shownSettings = m_runningSettings;
    m_lastSweepMs = elapsedMs;
    m_redrawClock.invalidate();
    if (!m_addingThreshold)
        m_ladder = std::move(result);
    showAt(m_shownSettings.threshold);
    emit resultShown();
}

// False when the data changed since the ladder on screen was read: then the whole ladder is read
// again, so that every threshold answers from the same samples.
bool ExplorerController::showAddedThreshold(const LadderResult &result)
{
    auto merged = m_ladder->withThresholdOf(result);
    if (!merged) {
        start(m_runningSettings);
        return false;
    }
    m_ladder = std::make_shared<const LadderResult>(std::move(*merged));
    return true;
}

void ExplorerController::showAt(qint16 threshold)
{
    m_shownSettings.threshold = threshold;
    m_grid = std::make_shared<const SweepGrid>(*m_ladder, *m_ladder->ladder.stepOf(threshold));
}

void ExplorerController::showFailure(quint64 request, const QString &description, bool cancelled)
{
    if (isStale(request) || startPending())
        return;
    emit failed(description, cancelled);
}

} // namespace tovik
