#include "explorer/ExplorerController.h"
#include "sweep/LadderResult.h"
#include "sweep/SweepGrid.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <QWaitCondition>

using namespace tovik;
using namespace std::chrono_literals;

namespace {

const QString kRefused = QStringLiteral("Login failed for user 'sa'.");
const QString kCancelledText = QStringLiteral("Operation cancelled");
// The threshold whose sweep the fake refuses, as a database would a login.
constexpr qint16 kRefusedThreshold = 99;

// A sweep that holds until the test lets it end, and that a cancel ends at once when it listens
// to cancels. Its result names the threshold it was swept with in its one report id, so that a
// result shown for other settings is told apart.
class FakeSweepRunner : public SweepRunner
{
public:
    explicit FakeSweepRunner(bool hearsCancel = true)
        : m_hearsCancel(hearsCancel)
    {
    }

    std::optional<LadderResult> run(
        const SweepSettings &settings, const Progress &progress, QString *failure) override
    {
        {
            // As the engine does, a sweep forgets a cancel that came before it.
            QMutexLocker lock(&m_mutex);
            m_cancelled = false;
            m_started.append(settings.threshold);
        }
        progress(1, 2);
        QMutexLocker lock(&m_mutex);
        while (m_endings == 0 && !isCancelled())
            m_changed.wait(&m_mutex);
        if (isCancelled()) {
            *failure = kCancelledText;
            return std::nullopt;
        }
        --m_endings;
        if (settings.threshold == kRefusedThreshold) {
            *failure = kRefused;
            return std::nullopt;
        }
        LadderResult result;
        result.reportIds = {settings.threshold};
        result.ladder = settings.countedLadder();
        result.arrange();
        return result;
    }

    void cancel() override
    {
        QMutexLocker lock(&m_mutex);
        m_cancelled = true;
        m_changed.wakeAll();
    }

    // Lets the next sweeps end, now or once they have started.
    void letEnd(int sweeps = 1)
    {
        QMutexLocker lock(&m_mutex);
        m_endings += sweeps;
        m_changed.wakeAll();
    }

    QList<qint16> started() const
    {
        QMutexLocker lock(&m_mutex);
        return m_started;
    }

private:
    bool isCancelled() const { return m_cancelled && m_hearsCancel; }

    const bool m_hearsCancel;
    mutable QMutex m_mutex;
    QWaitCondition m_changed;
    QList<qint16> m_started;
    int m_endings = 0;
    bool m_cancelled = false;
};

SweepSettings settingsAt(qint16 threshold, const ThresholdLadder &ladder = {})
{
    SweepSettings settings;
    settings.threshold = threshold;
    settings.ladder = ladder;
    settings.occurrences = 1;
    return settings;
}

qint32 shownThreshold(const ExplorerController &controller)
{
    const auto &grid = controller.shownGrid();
    return grid && grid->result().reportIds.size() == 1 ? grid->result().reportIds.first() : -1;
}

// More than any test asks for.
constexpr int kEveryEnding = 100;

// A controller and its fake, which the controller owns.
struct Explorer
{
    explicit Explorer(bool hearsCancel = true)
        : runner(new FakeSweepRunner(hearsCancel))
        , controller(std::unique_ptr<SweepRunner>(runner))
    {
    }

    // Sweeps that still hold end, so that the controller's thread can.
    ~Explorer() { runner->letEnd(kEveryEnding); }

    // The first result on screen, swept at threshold.
    bool showResult(qint16 threshold, const ThresholdLadder &ladder = {})
    {
        QSignalSpy shown(&controller, &ExplorerController::resultShown);
        controller.run(settingsAt(threshold, ladder));
        runner->letEnd();
        return shown.wait() && shownThreshold(controller) == threshold;
    }

    FakeSweepRunner *runner;
    ExplorerController controller;
};

} // namespace

class tst_ExplorerController : public QObject
{
    Q_OBJECT

private slots:
    void resultShownWithItsSettings();
    void newestRunReplacesRunning_data();
    void newestRunReplacesRunning();
    void cancelEndsRun_data();
    void cancelEndsRun();
    void failureKeepsShownResult();
    void requeryWaits_data();
    void requeryWaits();
    void changesQueryOnceSettled();
    void thresholdOnLadderRedraws_data();
    void thresholdOnLadderRedraws();
    void thresholdOffLadderReadsLadderAgainWhenDataChanged();
    void choiceRunOrRefused_data();
    void choiceRunOrRefused();
};

void tst_ExplorerController::resultShownWithItsSettings()
{
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QSignalSpy running(&controller, &ExplorerController::runningChanged);
    QSignalSpy progress(&controller, &ExplorerController::progress);
    QSignalSpy started(&controller, &ExplorerController::started);

    QVERIFY(explorer.showResult(40));

    QCOMPARE(started.count(), 1);
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.first(), QVariantList({1, 2}));
    QCOMPARE(running.count(), 2);
    QCOMPARE(running.at(0).first().toBool(), true);
    QCOMPARE(running.at(1).first().toBool(), false);
    QVERIFY(!controller.isRunning());
    QCOMPARE(controller.shownSettings().threshold, 40);
}

void tst_ExplorerController::newestRunReplacesRunning_data()
{
    QTest::addColumn<bool>("hearsCancel");

    QTest::newRow("sweep ends through its cancel") << true;
    QTest::newRow("sweep completes despite the cancel") << false;
}

// The sweep of settings that are gone shows nothing, and of the runs asked for meanwhile only the
// last one sweeps.
void tst_ExplorerController::newestRunReplacesRunning()
{
    QFETCH(bool, hearsCancel);
    Explorer explorer(hearsCancel);
    ExplorerController &controller = explorer.controller;
    QSignalSpy shown(&controller, &ExplorerController::resultShown);
    QSignalSpy failed(&controller, &ExplorerController::failed);
    controller.run(settingsAt(40));
    QTRY_COMPARE(explorer.runner->started().size(), 1);

    controller.run(settingsAt(45));
    controller.run(settingsAt(50));
    QVERIFY(controller.isRunning());
    if (!hearsCancel)
        explorer.runner->letEnd();
    QTRY_COMPARE(explorer.runner->started(), QList<qint16>({40, 50}));
    QVERIFY(controller.isRunning());
    explorer.runner->letEnd();

    QVERIFY(shown.wait());
    QCOMPARE(shown.count(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(shownThreshold(controller), 50);
    QCOMPARE(controller.shownSettings().threshold, 50);
    QVERIFY(!controller.isRunning());
}

void tst_ExplorerController::cancelEndsRun_data()
{
    QTest::addColumn<bool>("startedFirst");
    QTest::addColumn<bool>("runAsked");

    QTest::newRow("running sweep") << true << false;
    QTest::newRow("sweep not started on its thread yet") << false << false;
    QTest::newRow("running sweep and the run asked after it") << true << true;
}

void tst_ExplorerController::cancelEndsRun()
{
    QFETCH(bool, startedFirst);
    QFETCH(bool, runAsked);
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QVERIFY(explorer.showResult(40));
    const auto shownGrid = controller.shownGrid();
    QSignalSpy failed(&controller, &ExplorerController::failed);
    QSignalSpy shown(&controller, &ExplorerController::resultShown);

    controller.run(settingsAt(45));
    if (startedFirst)
        QTRY_COMPARE(explorer.runner->started().size(), 2);
    if (runAsked)
        controller.run(settingsAt(50));
    controller.cancel();

    QVERIFY(failed.wait());
    QCOMPARE(failed.first().at(0).toString(), kCancelledText);
    QCOMPARE(failed.first().at(1).toBool(), true);
    QVERIFY(!controller.isRunning());
    QCOMPARE(explorer.runner->started(), QList<qint16>({40, 45}));
    QCOMPARE(shown.count(), 0);
    QCOMPARE(controller.shownGrid(), shownGrid);
    QCOMPARE(controller.shownSettings().threshold, 40);
}

void tst_ExplorerController::failureKeepsShownResult()
{
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QVERIFY(explorer.showResult(40));
    const auto shownGrid = controller.shownGrid();
    QSignalSpy failed(&controller, &ExplorerController::failed);

    controller.run(settingsAt(kRefusedThreshold));
    explorer.runner->letEnd();

    QVERIFY(failed.wait());
    QCOMPARE(failed.first().at(0).toString(), kRefused);
    QCOMPARE(failed.first().at(1).toBool(), false);
    QVERIFY(!controller.isRunning());
    QCOMPARE(controller.shownGrid(), shownGrid);
    QCOMPARE(controller.shownSettings().threshold, 40);
}

void tst_ExplorerController::requeryWaits_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("then");
    QTest::addColumn<bool>("waiting");

    QTest::newRow("before any sweep") << "idle"
                                      << "" << false;
    QTest::newRow("while the first sweep runs") << "running"
                                                << "" << true;
    QTest::newRow("with a result shown") << "shown"
                                         << "" << true;
    QTest::newRow("then run") << "shown"
                              << "run" << false;
    QTest::newRow("then cancel") << "shown"
                                 << "cancel" << false;
    QTest::newRow("then controls filled") << "shown"
                                          << "stopRequery" << false;
}

// A change waits to query only once the user has asked for a sweep, and no longer once a sweep of
// the settings on screen was asked for or everything was cancelled.
void tst_ExplorerController::requeryWaits()
{
    QFETCH(QString, state);
    QFETCH(QString, then);
    QFETCH(bool, waiting);
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    if (state == "running")
        controller.run(settingsAt(40));
    else if (state == "shown")
        QVERIFY(explorer.showResult(40));

    controller.requeryLater();
    if (then == "run")
        controller.run(settingsAt(45));
    else if (then == "cancel")
        controller.cancel();
    else if (then == "stopRequery")
        controller.stopRequery();

    QCOMPARE(controller.isRequeryWaiting(), waiting);
}

// Changes in quick succession end in one sweep, of the last value, once the user has stopped.
void tst_ExplorerController::changesQueryOnceSettled()
{
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QCOMPARE(controller.isRequeryWaiting(), false);
    QVERIFY(explorer.showResult(40));
    controller.setRequeryDelay(1ms);
    qint16 threshold = 40;
    // A change of the monitoring time as well, so that each change needs a sweep of its own.
    connect(&controller, &ExplorerController::requeryDue, &controller, [&] {
        SweepSettings settings = settingsAt(threshold);
        settings.monStopHour = 23;
        controller.run(settings);
    });
    QSignalSpy due(&controller, &ExplorerController::requeryDue);
    QSignalSpy shown(&controller, &ExplorerController::resultShown);

    for (const qint16 value : {45, 50, 55}) {
        threshold = value;
        controller.requeryLater();
    }
    QVERIFY(due.wait());
    QVERIFY(controller.isRunning());
    explorer.runner->letEnd();

    QVERIFY(shown.wait());
    QCOMPARE(due.count(), 1);
    QVERIFY(!controller.isRequeryWaiting());
    QCOMPARE(explorer.runner->started(), QList<qint16>({40, 55}));
    QCOMPARE(shownThreshold(controller), 55);
}

void tst_ExplorerController::thresholdOnLadderRedraws_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<qint16>("threshold");
    QTest::addColumn<bool>("redrawn");

    QTest::newRow("on the ladder") << "" << qint16(65) << true;
    QTest::newRow("the swept threshold, off the standard ladder") << "" << qint16(42) << true;
    QTest::newRow("off the ladder") << "" << qint16(43) << false;
    QTest::newRow("on the ladder, another change waiting") << "requeryLater" << qint16(65) << false;
    QTest::newRow("on the ladder, a sweep running") << "run" << qint16(65) << false;
}

// The result on screen answers a threshold of its ladder at once, unless a sweep for other
// settings runs or waits to run: then the threshold waits for a sweep of its own.
void tst_ExplorerController::thresholdOnLadderRedraws()
{
    QFETCH(QString, before);
    QFETCH(qint16, threshold);
    QFETCH(bool, redrawn);
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QVERIFY(explorer.showResult(42, ThresholdLadder::standard()));
    controller.changeThreshold(50);
    QCOMPARE(controller.shownSettings().threshold, 50);
    const auto gridBefore = controller.shownGrid();
    if (before == "requeryLater")
        controller.requeryLater();
    else if (before == "run")
        controller.run(settingsAt(30, ThresholdLadder::standard()));
    QSignalSpy thresholdShown(&controller, &ExplorerController::thresholdShown);

    controller.changeThreshold(threshold);

    QCOMPARE(thresholdShown.count(), redrawn ? 1 : 0);
    QCOMPARE(controller.isRequeryWaiting(), !redrawn);
    QCOMPARE(controller.shownSettings().threshold, redrawn ? threshold : 50);
    QCOMPARE(controller.shownGrid() != gridBefore, redrawn);
    QTRY_COMPARE(explorer.runner->started().size(), before == "run" ? 2 : 1);
    // The grid is the same sweep's, at the new threshold.
    QCOMPARE(shownThreshold(controller), 42);
}

// A threshold off the ladder is counted alone and added to the ladder on screen; when the data
// changed meanwhile (here: the fake's results name other reports) the whole ladder is read again.
void tst_ExplorerController::thresholdOffLadderReadsLadderAgainWhenDataChanged()
{
    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QVERIFY(explorer.showResult(40, ThresholdLadder::standard()));
    QSignalSpy shown(&controller, &ExplorerController::resultShown);

    controller.run(settingsAt(43, ThresholdLadder::standard()));
    explorer.runner->letEnd(2);

    QVERIFY(shown.wait());
    QCOMPARE(explorer.runner->started(), QList<qint16>({40, 43, 43}));
    QCOMPARE(shownThreshold(controller), 43);
    QVERIFY(controller.shownLadder()->ladder.stepOf(50));
    QVERIFY(controller.shownLadder()->ladder.stepOf(43));
}

void tst_ExplorerController::choiceRunOrRefused_data()
{
    QTest::addColumn<qint16>("monitoringStart");
    QTest::addColumn<qint16>("monitoringStop");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("the last hours") << qint16(6) << qint16(23) << ""
                                    << ""
                                    << "";
    QTest::newRow("a fixed range") << qint16(0) << qint16(24) << "2026-12-05 05:00:00"
                                   << "2026-12-05 08:00:00"
                                   << "";
    QTest::newRow("a monitoring time without an hour") << qint16(12) << qint16(12) << ""
                                                       << ""
                                                       << "monitors no hour";
    QTest::newRow("a monitoring time past midnight") << qint16(22) << qint16(6) << ""
                                                     << ""
                                                     << "monitors no hour";
    QTest::newRow("a range that ends before it starts")
        << qint16(6) << qint16(23) << "2026-12-05 08:00:00"
        << "2026-12-05 05:00:00"
        << "before";
}

// A choice is refused before anything starts, or swept at every threshold of the standard ladder.
void tst_ExplorerController::choiceRunOrRefused()
{
    QFETCH(qint16, monitoringStart);
    QFETCH(qint16, monitoringStop);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, refusal);

    Explorer explorer;
    ExplorerController &controller = explorer.controller;
    QSignalSpy started(&controller, &ExplorerController::started);
    QSignalSpy shown(&controller, &ExplorerController::resultShown);
    SweepChoice choice;
    choice.threshold = 42;
    choice.lastHours = 24;
    choice.monStartHour = monitoringStart;
    choice.monStopHour = monitoringStop;
    choice.fixedRange = !from.isEmpty();
    choice.from = from;
    choice.to = to;
    QString failure;
    const bool ran
        = controller.runChoice(choice, QDateTime(QDate(2026, 12, 6), QTime(10, 30)), &failure);

    if (!refusal.isEmpty()) {
        QVERIFY(!ran);
        QVERIFY2(failure.contains(refusal), qPrintable(failure));
        QVERIFY(!controller.isRunning());
        QCOMPARE(started.count(), 0);
        return;
    }
    QVERIFY2(ran, qPrintable(failure));
    explorer.runner->letEnd();
    QVERIFY(shown.wait());
    QCOMPARE(explorer.runner->started(), QList<qint16> {42});
    QCOMPARE(controller.shownLadder()->ladder, ThresholdLadder::standard().with(42));
    const SweepSettings &swept = controller.shownSettings();
    QCOMPARE(swept.monStartHour, monitoringStart);
    QCOMPARE(swept.monStopHour, monitoringStop);
    QCOMPARE(swept.range.hourCount(), choice.fixedRange ? 3 : 24);
}

QTEST_GUILESS_MAIN(tst_ExplorerController)
#include "tst_explorercontroller.moc"
