#include "ExplorerChild.h"

#include "BenchOptions.h"
#include "ChildReport.h"
#include "ProcessFigures.h"
#include "SweepChild.h"
#include "explorer/ExplorerWindow.h"
#include "sweep/LadderResult.h"
#include "sweep/SweepGrid.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace tovik::bench {

namespace {

const QString kChild = QStringLiteral("--one-explorer");
const QString kFirstChild = QStringLiteral("--one-explorer-first");
const QString kMonthChild = QStringLiteral("--one-explorer-month");
// Far beyond any sweep at the benchmark's sizes: only a hang runs into it.
constexpr int kResultTimeoutMs = 10 * 60 * 1000;
// A desktop's size for such a window, so that the views paint as many cells as they would there.
constexpr QSize kWindowSize(1600, 1000);
// Each a change from the value before it, the first from the sweep's 1: the order of the devices
// and the caught hours change with each.
const QList<int> kOccurrences {2, 6, 10, 12, 1};
// Thresholds of the explorer's ladder, each a change from the one before, the first from the
// requery's: every view shows other devices and counts.
const QList<int> kLadderThresholds {50, 75, 20, 95, 5};
// The views by their names: all of them, what a new result redraws (the device's load stays
// empty), what another occurrences value redraws (the device table only where a device's hours
// caught change, in the same frame as the caught chart).
const QStringList kViews {QStringLiteral("heatmap"), QStringLiteral("caughtChart"),
    QStringLiteral("devices"), QStringLiteral("deviceLoadChart")};
const QStringList kResultViews = kViews.mid(0, 3);
const QStringList kOccurrencesViews {kViews.at(0), kViews.at(1), kViews.at(3)};
// Far beyond any paint of the window: only a view that never paints runs into it.
constexpr int kPaintTimeoutMs = 10000;
const QString kNotRepainted = QStringLiteral("the window did not repaint its views");

SweepChoice explorerSettings(const BenchOptions &options)
{
    const SweepSettings sweep = sweepSettings(options);
    SweepChoice settings;
    settings.connection.fields = sweep.connection;
    settings.fixedRange = true;
    settings.from = SweepRange::hourText(sweep.range.from());
    settings.to = SweepRange::hourText(sweep.range.to());
    settings.monStartHour = sweep.monStartHour;
    settings.monStopHour = sweep.monStopHour;
    settings.threshold = sweep.threshold;
    settings.occurrences = sweep.occurrences;
    return settings;
}

// The window over the benchmark's data, shown at a desktop's size.
void openWindow(ExplorerWindow &window, const BenchOptions &options)
{
    window.applySettings(explorerSettings(options));
    window.resize(kWindowSize);
    window.show();
    QCoreApplication::processEvents();
}

// Tells when the named views have painted since reset() or since the last new result, with the
// frame that painted the last of them complete: when the screen shows them redrawn. A result
// reaches the views with the heatmap model's reset, and the window may paint some of them before
// it announces the result; a view may paint a frame later than another, e.g. the heatmap after
// its delayed layout of reordered rows.
class PaintWait : public QObject
{
public:
    // False when the window lacks one of the views.
    bool watch(const ExplorerWindow &window)
    {
        for (const QString &name : kViews) {
            auto *view = window.findChild<QAbstractScrollArea *>(name);
            if (!view)
                return false;
            view->viewport()->installEventFilter(this);
            m_names.insert(view->viewport(), name);
        }
        auto *heatmap = window.findChild<QAbstractItemView *>(kViews.first());
        connect(
            heatmap->model(), &QAbstractItemModel::modelAboutToBeReset, this, &PaintWait::reset);
        return true;
    }

    void reset() { m_painted.clear(); }

    // Runs the event loop until then; false when one of the views did not paint in time.
    bool wait(const QStringList &views)
    {
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.start(kPaintTimeoutMs);
        const auto painted = [&] {
            return std::all_of(views.cbegin(), views.cend(),
                [this](const QString &view) { return m_painted.contains(view); });
        };
        while (!painted() && deadline.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return painted();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted.insert(m_names.value(watched));
        return false;
    }

private:
    QHash<QObject *, QString> m_names;
    QSet<QString> m_painted;
};

// The time on the clock at the window's resultShown for a sweep that start() asks for; nothing,
// with *failure set, when no result came.
std::optional<qint64> timeToResult(ExplorerWindow &window, const QElapsedTimer &clock,
    const std::function<void()> &start, QString *failure)
{
    QEventLoop loop;
    qint64 shownNs = -1;
    QObject::connect(&window, &ExplorerWindow::resultShown, &loop, [&] {
        shownNs = clock.nsecsElapsed();
        loop.quit();
    });
    QObject::connect(&window, &ExplorerWindow::runFailed, &loop, &QEventLoop::quit);
    QTimer::singleShot(kResultTimeoutMs, &loop, &QEventLoop::quit);
    start();
    if (window.isRunning())
        loop.exec();
    if (shownNs < 0) {
        *failure = window.statusText();
        return std::nullopt;
    }
    return shownNs;
}

// From the change of the control to the views painted anew; nothing when they were not.
std::optional<qint64> timeRedraw(
    PaintWait &paintWait, QSpinBox &control, int value, const QStringList &views)
{
    QElapsedTimer clock;
    clock.start();
    paintWait.reset();
    control.setValue(value);
    if (!paintWait.wait(views))
        return std::nullopt;
    return clock.nsecsElapsed();
}

// Each value in turn, its redraw time printed under key; false when the views did not repaint.
bool measureRedraws(PaintWait &paintWait, QSpinBox &control, const QList<int> &values,
    const QStringList &views, const QString &key)
{
    for (const int value : values) {
        const auto redrawNs = timeRedraw(paintWait, control, value, views);
        if (!redrawNs)
            return false;
        ChildReport::print(key, QStringLiteral("%1 %2").arg(value).arg(*redrawNs));
    }
    return true;
}

// The node-hours at or over the threshold: the sweep's rows, which the grid keeps as cells.
qint64 reachingCells(const SweepGrid &grid)
{
    qint64 cells = 0;
    for (int d = 0; d < grid.deviceCount(); ++d) {
        const QList<GridDevice::Cell> &ofDevice = grid.device(d).cells;
        cells += std::count_if(ofDevice.cbegin(), ofDevice.cend(),
            [](const GridDevice::Cell &cell) { return cell.count > 0; });
    }
    return cells;
}

// One sweep that start() asks the window for: the times to its resultShown and to its views
// painted, the process's CPU time (every thread) up to then, the sweep's time on the worker and
// the size of the result.
bool measureResult(ExplorerWindow &window, PaintWait &paintWait, const QString &prefix,
    const std::function<void()> &start, QString *failure)
{
    const qint64 cpuBefore = ProcessFigures::cpuMicroseconds();
    QElapsedTimer clock;
    clock.start();
    const auto shownNs = timeToResult(window, clock, start, failure);
    if (!shownNs)
        return false;
    if (!paintWait.wait(kResultViews)) {
        *failure = kNotRepainted;
        return false;
    }
    ChildReport::print(prefix + QStringLiteral("_ns"), *shownNs);
    ChildReport::print(prefix + QStringLiteral("_painted_ns"), clock.nsecsElapsed());
    ChildReport::print(
        prefix + QStringLiteral("_cpu_us"), ProcessFigures::cpuMicroseconds() - cpuBefore);
    ChildReport::print(prefix + QStringLiteral("_sweep_ms"), window.lastSweepMs());
    const SweepGrid &grid = *window.shownGrid();
    ChildReport::print(prefix + QStringLiteral("_rows"), reachingCells(grid));
    ChildReport::print(prefix + QStringLiteral("_devices"), grid.deviceCount());
    return true;
}

// From the choice of the heatmap's first device to its load drawn: the query on the device's
// worker and the chart's paint. Printed as device_load_ns; false, with *failure set, when the load
// did not come.
bool measureDeviceLoad(
    ExplorerWindow &window, PaintWait &paintWait, QAbstractItemView &heatmap, QString *failure)
{
    QEventLoop loop;
    bool shown = false;
    QObject::connect(&window, &ExplorerWindow::deviceLoadShown, &loop, [&] {
        // The paint that counts is the one of the load; any before it showed the empty chart.
        paintWait.reset();
        shown = true;
        loop.quit();
    });
    QObject::connect(
        &window, &ExplorerWindow::deviceLoadFailed, &loop, [&](const QString &description) {
            *failure = description;
            loop.quit();
        });
    QTimer::singleShot(kResultTimeoutMs, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    heatmap.setCurrentIndex(heatmap.model()->index(0, 0));
    loop.exec();
    if (!shown) {
        if (failure->isEmpty())
            *failure = QStringLiteral("the device's load did not come");
        return false;
    }
    if (!paintWait.wait({kViews.at(3)})) {
        *failure = kNotRepainted;
        return false;
    }
    ChildReport::print(QStringLiteral("device_load_ns"), clock.nsecsElapsed());
    return true;
}

// The window's first result from its idle state, its memory beyond idle printed; the idle
// resident size, or nothing with *failure set.
std::optional<qint64> measureFirstResult(
    ExplorerWindow &window, PaintWait &paintWait, QString *failure)
{
    ProcessFigures::resetPeak();
    const qint64 idleKib = ProcessFigures::statusKib("VmRSS").value_or(-1);
    if (!measureResult(
            window, paintWait, QStringLiteral("first"), [&window] { window.run(); }, failure))
        return std::nullopt;
    ChildReport::printMemory(idleKib);
    return idleKib;
}

// What the shown result holds per node-hour of its range: the ladder's own figure for its counts,
// keys and order, rounded up, and the resident size beyond idle once the result is in, not the
// peak, which has the reading's passing buffers in it.
void printBytesPerNodeHour(const ExplorerWindow &window, qint64 idleKib)
{
    const SweepGrid &grid = *window.shownGrid();
    const qint64 nodeHours = qint64(grid.deviceCount()) * grid.hourCount();
    const qint64 heldKib = ProcessFigures::statusKib("VmRSS").value_or(idleKib) - idleKib;
    ChildReport::print(QStringLiteral("bytes_per_node_hour"),
        qint64(std::ceil(window.shownLadder()->bytesPerNodeHour())));
    ChildReport::print(
        QStringLiteral("held_bytes_per_node_hour"), nodeHours > 0 ? heldKib * 1024 / nodeHours : 0);
}

} // namespace

int requeryThreshold(const BenchOptions &options)
{
    return options.threshold < 100 ? options.threshold + 1 : options.threshold - 1;
}

int explorerOnce(const BenchOptions &options)
{
    ExplorerWindow window;
    openWindow(window, options);
    auto *threshold = window.findChild<QSpinBox *>(QStringLiteral("threshold"));
    auto *occurrences = window.findChild<QSpinBox *>(QStringLiteral("occurrences"));
    auto *heatmap = window.findChild<QAbstractItemView *>(QStringLiteral("heatmap"));
    PaintWait paintWait;
    if (!threshold || !occurrences || !heatmap || !paintWait.watch(window))
        return ChildReport::fail(kChild, QStringLiteral("the window lacks a control or a view"));

    // The idle process: the window is up and has painted, nothing of ODBC is loaded yet.
    ProcessFigures::resetPeak();
    const qint64 idleKib = ProcessFigures::statusKib("VmRSS").value_or(-1);
    QString failure;
    if (!measureResult(
            window, paintWait, QStringLiteral("first"), [&window] { window.run(); }, &failure))
        return ChildReport::fail(kChild, failure);
    // As a user who changes the threshold and presses Run at once: run() stops the requery that
    // the change started, so its delay is not timed.
    const auto requery = [&] {
        threshold->setValue(requeryThreshold(options));
        window.run();
    };
    if (!measureResult(window, paintWait, QStringLiteral("requery"), requery, &failure))
        return ChildReport::fail(kChild, failure);
    // A device chosen, as a user looks at one, so that its load is redrawn too.
    if (!measureDeviceLoad(window, paintWait, *heatmap, &failure))
        return ChildReport::fail(kChild, failure);
    if (!measureRedraws(
            paintWait, *occurrences, kOccurrences, kOccurrencesViews, QStringLiteral("redraw")))
        return ChildReport::fail(kChild, kNotRepainted);
    // Another threshold of the ladder redraws every view from the result in memory, the device's
    // load too.
    if (!measureRedraws(
            paintWait, *threshold, kLadderThresholds, kViews, QStringLiteral("ladder_redraw")))
        return ChildReport::fail(kChild, kNotRepainted);
    ChildReport::printMemory(idleKib);
    return 0;
}

int explorerFirstOnce(const BenchOptions &options)
{
    ExplorerWindow window;
    openWindow(window, options);
    auto *heatmap = window.findChild<QAbstractItemView *>(QStringLiteral("heatmap"));
    PaintWait paintWait;
    if (!heatmap || !paintWait.watch(window))
        return ChildReport::fail(kFirstChild, QStringLiteral("the window lacks a view"));
    QString failure;
    // After the memory: the device's samples are the user's next step, not part of the result.
    if (!measureFirstResult(window, paintWait, &failure)
        || !measureDeviceLoad(window, paintWait, *heatmap, &failure))
        return ChildReport::fail(kFirstChild, failure);
    return 0;
}

int explorerMonthOnce(const BenchOptions &options)
{
    ExplorerWindow window;
    openWindow(window, options);
    auto *threshold = window.findChild<QSpinBox *>(QStringLiteral("threshold"));
    auto *heatmap = window.findChild<QAbstractItemView *>(QStringLiteral("heatmap"));
    PaintWait paintWait;
    if (!threshold || !heatmap || !paintWait.watch(window))
        return ChildReport::fail(
            kMonthChild, QStringLiteral("the window lacks a control or a view"));
    QString failure;
    const auto idleKib = measureFirstResult(window, paintWait, &failure);
    if (!idleKib)
        return ChildReport::fail(kMonthChild, failure);
    printBytesPerNodeHour(window, *idleKib);
    if (!measureDeviceLoad(window, paintWait, *heatmap, &failure))
        return ChildReport::fail(kMonthChild, failure);
    if (!measureRedraws(
            paintWait, *threshold, kLadderThresholds, kViews, QStringLiteral("ladder_redraw")))
        return ChildReport::fail(kMonthChild, kNotRepainted);
    return 0;
}

} // namespace tovik::bench
