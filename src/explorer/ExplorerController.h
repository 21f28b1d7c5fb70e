#pragma once

#include "explorer/SweepWorker.h"
#include "sweep/SweepChoice.h"
#include "sweep/SweepSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

namespace tovik {

class SweepGrid;
struct LadderResult;

// The explorer's sweeps without its window: one at a time on a worker thread, the newest request
// replacing a running one, and changes that wait until the user has stopped before they query.
class ExplorerController : public QObject
{
    Q_OBJECT

public:
    // Long enough for a few more keystrokes or arrow clicks before a new query goes out.
    static constexpr std::chrono::milliseconds kRequeryDelay {600};

    explicit ExplorerController(std::unique_ptr<SweepRunner> runner, QObject *parent = nullptr);
    ~ExplorerController() override;

    bool isRunning() const { return m_running; }
    bool isRequeryWaiting() const { return m_requery.isActive(); }
    void setRequeryDelay(std::chrono::milliseconds delay);

    // The result on screen at the threshold shown, and the settings it was swept with, that
    // threshold among them; nothing before the first.
    const std::shared_ptr<const SweepGrid> &shownGrid() const { return m_grid; }
    const SweepSettings &shownSettings() const { return m_shownSettings; }
    // The same result at every threshold of its ladder.
    const std::shared_ptr<const LadderResult> &shownLadder() const { return m_ladder; }
    // The sweep's time on its worker for the result on screen.
    qint64 lastSweepMs() const { return m_lastSweepMs; }
    // What the status line's time measured: the query of the result on screen, or its redraw
    // since the last change the result answered from memory.
    QString timingText() const;

    // Sweeps choice over the thresholds of the standard ladder, its range taken at now, as run()
    // does; false, with the reason, for a monitoring time without a monitored hour or a range the
    // sweep refuses.
    bool runChoice(const SweepChoice &choice, const QDateTime &now, QString *failure);

public slots:
    // Sweeps now; while a sweep runs, ends it and sweeps once it has ended.
    void run(const tovik::SweepSettings &settings);
    // Asks for requeryDue() once the changes have settled, but only once a sweep was asked for.
    void requeryLater();
    // Shows the result on screen at threshold, with thresholdShown(), when its ladder holds it and
    // no sweep runs or waits to run; else as requeryLater().
    void changeThreshold(qint16 threshold);
    // The changes asked for so far need no sweep of their own.
    void stopRequery();
    // A change the result on screen answers without a query, such as the occurrences, starts
    // being drawn.
    void startRedraw();
    void cancel();

signals:
    void requeryDue();
    void started();
    void runningChanged(bool running);
    void progress(int report, int reports);
    void resultShown();
    // The result on screen at another threshold of its ladder, without a query.
    void thresholdShown();
    // cancelled when the user's cancel, not the database, ended it.
    void failed(const QString &description, bool cancelled);

private:
    void start(const SweepSettings &settings);
    bool addsThresholdToShown(const SweepSettings &settings) const;
    void addThreshold(const SweepSettings &settings);
    bool showAddedThreshold(const LadderResult &result);
    void showProgress(quint64 request, int report, int reports);
    void showResult(quint64 request, SweepWorker::ResultPointer result, qint64 elapsedMs);
    void showFailure(quint64 request, const QString &description, bool cancelled);
    bool isStale(quint64 request) const { return request != m_request; }
    bool startPending();
    void showAt(qint16 threshold);

    QThread m_thread;
    SweepWorker *m_worker = nullptr;
    quint64 m_request = 0;
    bool m_running = false;
    std::optional<SweepSettings> m_pending;
    SweepSettings m_runningSettings;
    // Whether the running sweep counts only a threshold off the ladder on screen, to be added to
    // it.
    bool m_addingThreshold = false;
    SweepSettings m_shownSettings;
    std::shared_ptr<const LadderResult> m_ladder;
    std::shared_ptr<const SweepGrid> m_grid;
    qint64 m_lastSweepMs = 0;
    // Started by a change the result on screen answers without a query; invalid after a query.
    QElapsedTimer m_redrawClock;
    QTimer m_requery;
};

} // namespace tovik
