#include "explorer/ExplorerWindow.h"

#include "explorer/ConnectionForm.h"
#include "explorer/DevicePanel.h"
#include "explorer/EngineSweepRunner.h"
#include "explorer/ExplorerController.h"
#include "explorer/ExplorerSettingsStore.h"
#include "explorer/ExplorerText.h"
#include "explorer/ExportActions.h"
#include "explorer/FormParts.h"
#include "explorer/HeatmapView.h"
#include "explorer/HourChartView.h"
#include "explorer/LegendText.h"
#include "explorer/NoiseView.h"
#include "explorer/ResultExport.h"
#include "explorer/ShownAnalysis.h"
#include "explorer/StatusLine.h"
#include "explorer/SweepForm.h"
#include "explorer/TuningPanel.h"
#include "explorer/TuningView.h"
#include "explorer/models/HeatmapModel.h"
#include "explorer/models/TuningModel.h"
#include "sweep/LadderResult.h"
#include "sweep/SweepGrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tovik {

namespace {

// Where the screen has room; a smaller one gets its whole available area.
constexpr QSize kOpeningSize(1280, 800);
// Narrower than this, the window is low too, and the device panels stack with the settings.
constexpr int kWidthForPanelsBelow = 1200;
// Raised when the panels change, so that an arrangement of others is not restored onto them.
constexpr int kPanelsVersion = 1;

// The window manager's frame is not known before the window is shown: room for a title bar of two
// lines of text and a thin border.
QMargins frameAllowance(const QFontMetrics &metrics)
{
    const int border = metrics.height() / 4;
    return {border, 2 * metrics.height(), border, border};
}

} // namespace

ExplorerWindow::ExplorerWindow(const QString &settingsPath, QWidget *parent)
    : QMainWindow(parent)
    , m_settingsPath(settingsPath)
    , m_controller(new ExplorerController(std::make_unique<EngineSweepRunner>(), this))
    , m_analysis(new ShownAnalysis(this))
{
    setObjectName(QStringLiteral("explorerWindow"));
    setWindowTitle(tr("Tovik Threshold Explorer"));
    setDockOptions(AnimatedDocks | AllowNestedDocks | AllowTabbedDocks);
    setCentralWidget(buildViews());
    m_devicePanel = new DevicePanel(m_controller, m_analysis);
    m_statusLine = new StatusLine(statusBar());
    buildDocks();
    buildMenus();
    arrangeTabOrder();
    // The panels are sized against the window's: a window never fitted to a screen opens as
    // one with room.
    resize(kOpeningSize);

    connectControls();
    connectController();
    restoreRemembered();
    compareWithBaseline();
    updateButtons();
}

ExplorerWindow::~ExplorerWindow() = default;

void ExplorerWindow::fitToScreen()
{
    const QRect room = screen()->availableGeometry().marginsRemoved(frameAllowance(fontMetrics()));
    const QSize size = kOpeningSize.boundedTo(room.size());
    setGeometry(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, size, room));
    if (!m_arrangementRestored)
        arrangePanels(size);
}

// A narrow screen is a low one too (4:3 and 16:10): there the device panels share the settings'
// column, so that the views keep the window's height for the tuning table's every threshold.
// Otherwise the devices lie below the views, which keep the width for the heatmap's hours, and
// the caught devices per hour below the settings, in sight beside them.
void ExplorerWindow::arrangePanels(const QSize &size)
{
    const bool narrow = size.width() < kWidthForPanelsBelow;
    addDockWidget(narrow ? Qt::LeftDockWidgetArea : Qt::BottomDockWidgetArea, m_devicesDock);
    addDockWidget(Qt::LeftDockWidgetArea, m_caughtDock);
    if (narrow) {
        tabifyDockWidget(m_settingsDock, m_devicesDock);
        tabifyDockWidget(m_devicesDock, m_caughtDock);
        m_settingsDock->raise();
    } else {
        splitDockWidget(m_settingsDock, m_caughtDock, Qt::Vertical);
        resizeDocks({m_devicesDock}, {size.height() * 7 / 16}, Qt::Vertical);
    }
    resizeDocks({m_settingsDock}, {settingsWidth()}, Qt::Horizontal);
}

// As wide as the settings ask, so that only their height ever needs to scroll.
int ExplorerWindow::settingsWidth() const
{
    return m_settingsScroll->widget()->minimumSizeHint().width()
        + m_settingsScroll->verticalScrollBar()->sizeHint().width();
}

// The settings scroll, so that a low screen still shows all of them.
QWidget *ExplorerWindow::buildSettingsPanel()
{
    auto *settings = new QWidget;
    auto *settingsLayout = new QVBoxLayout(settings);
    m_connection = new ConnectionForm;
    settingsLayout->addWidget(m_connection);
    m_sweep = new SweepForm;
    settingsLayout->addWidget(m_sweep);
    settingsLayout->addStretch();
    m_settingsScroll = new QScrollArea;
    m_settingsScroll->setObjectName(QStringLiteral("settingsScroll"));
    m_settingsScroll->setFrameShape(QFrame::NoFrame);
    m_settingsScroll->setWidgetResizable(true);
    m_settingsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_settingsScroll->setWidget(settings);
    return m_settingsScroll;
}

// The heatmap and the tuning table in the centre; every other part is a panel of its own.
QWidget *ExplorerWindow::buildViews()
{
    m_heatmapModel = new HeatmapModel(this);
    m_heatmap = new HeatmapView;
    m_heatmap->setModel(m_heatmapModel);
    auto *tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("views"));
    tabs->addTab(m_heatmap, tr("&Heatmap"));
    m_tuning = new TuningPanel;
    tabs->addTab(m_tuning, tr("Tu&ning"));
    m_noise = new NoiseView;
    tabs->addTab(m_noise, tr("N&oise"));
    // The heatmap's keys beside its tab, where the tab bar leaves room, so that the comparison
    // line above has the whole width; the tuning table has its own legend.
    m_heatmapLegend = new QLabel;
    m_heatmapLegend->setObjectName(QStringLiteral("heatmapLegend"));
    m_heatmapLegend->setTextFormat(Qt::RichText);
    tabs->setCornerWidget(m_heatmapLegend, Qt::TopRightCorner);
    connect(tabs, &QTabWidget::currentChanged, m_heatmapLegend,
        [this, tabs](int index) { m_heatmapLegend->setVisible(tabs->widget(index) == m_heatmap); });
    auto *centre = new QWidget;
    auto *column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(buildCompareRow());
    column->addWidget(tabs, 1);
    return centre;
}

QDockWidget *ExplorerWindow::addPanel(
    const char *name, const QString &title, QWidget *content, Qt::DockWidgetArea area)
{
    auto *dock = new QDockWidget(title, this);
    dock->setObjectName(QLatin1String(name));
    dock->setWidget(content);
    addDockWidget(area, dock);
    return dock;
}

// The settings in a narrow column on the left, down to the status line; the devices and the
// caught devices per hour below the views, one of them at a time, so that the heatmap keeps the
// window's width for its hours.
void ExplorerWindow::buildDocks()
{
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    m_settingsDock
        = addPanel("settingsPanel", tr("Settings"), buildSettingsPanel(), Qt::LeftDockWidgetArea);
    m_devicesDock
        = addPanel("devicesPanel", tr("Devices"), m_devicePanel, Qt::BottomDockWidgetArea);
    m_caughtChart = new CaughtChartView;
    m_caughtDock
        = addPanel("caughtPanel", tr("Caught per hour"), m_caughtChart, Qt::BottomDockWidgetArea);
    // Room for the time axis' labels and a few days' ticks.
    const QList<QWidget *> charts = m_devicePanel->charts() << m_caughtChart;
    for (QWidget *chart : charts)
        chart->setMinimumSize(240, 140);
    // In a column the device table lies above the charts, below the views beside them.
    connect(
        m_devicesDock, &QDockWidget::dockLocationChanged, this, &ExplorerWindow::orientDevicePanel);
    connect(m_devicesDock, &QDockWidget::topLevelChanged, this, &ExplorerWindow::orientDevicePanel);
    arrangePanels(kOpeningSize);
}

void ExplorerWindow::orientDevicePanel()
{
    const Qt::DockWidgetArea area = dockWidgetArea(m_devicesDock);
    const bool column = m_devicesDock->isFloating() || area == Qt::LeftDockWidgetArea
        || area == Qt::RightDockWidgetArea;
    m_devicePanel->setOrientation(column ? Qt::Vertical : Qt::Horizontal);
}

QWidget *ExplorerWindow::buildCompareRow()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_keepBaseline = new QPushButton(tr("Keep as &baseline"));
    m_keepBaseline->setObjectName(QStringLiteral("keepBaseline"));
    m_keepBaseline->setToolTip(tr("Compare the settings chosen next with the one on screen now"));
    m_comparison = new QLabel;
    m_comparison->setObjectName(QStringLiteral("comparison"));
    m_comparison->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long comparison wraps rather than widen the views against the panels.
    m_comparison->setWordWrap(true);
    layout->addWidget(m_keepBaseline);
    layout->addWidget(m_comparison, 1);
    return row;
}

void ExplorerWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *incidents
        = file->addAction(tr("Load &incidents..."), this, &ExplorerWindow::chooseIncidentsFile);
    incidents->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    file->addSeparator();
    m_exports = new ExportActions(
        this, [this](const QString &path, QString *failure) { return exportCsv(path, failure); },
        [this](const QString &path, QString *failure) { return exportChart(path, failure); },
        [this](const QString &path, QString *failure) { return exportReport(path, failure); });
    connect(
        m_exports, &ExportActions::written, this, [this](const QString &what, const QString &path) {
            m_statusLine->show({ExplorerText::writtenTo(what, path)});
        });
    connect(m_exports, &ExportActions::failed, this, [this](const QString &description) {
        m_statusLine->show({description, true});
    });
    m_exports->addTo(file);
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *sweep = menuBar()->addMenu(tr("&Sweep"));
    m_runAction = sweep->addAction(tr("&Run"), this, &ExplorerWindow::run);
    m_runAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
    m_cancelAction = sweep->addAction(tr("&Cancel"), this, &ExplorerWindow::cancel);
    m_cancelAction->setShortcut(QKeySequence(Qt::Key_Escape));

    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    for (QDockWidget *dock : {m_settingsDock, m_devicesDock, m_caughtDock})
        view->addAction(dock->toggleViewAction());
}

void ExplorerWindow::arrangeTabOrder()
{
    QList<QWidget *> order = m_connection->tabOrder();
    order << m_sweep->tabOrder();
    order << QList<QWidget *> {m_statusLine->runButton(), m_statusLine->cancelButton(),
        m_keepBaseline, m_heatmap, m_tuning->budgetBox(), m_tuning->shadingBox(), m_tuning->view(),
        m_tuning->holdOutBox(), m_caughtChart};
    order << m_devicePanel->tabOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void ExplorerWindow::connectControls()
{
    connect(m_statusLine->runButton(), &QPushButton::clicked, this, &ExplorerWindow::run);
    connect(m_statusLine->cancelButton(), &QPushButton::clicked, this, &ExplorerWindow::cancel);
    connect(m_sweep, &SweepForm::occurrencesChanged, this, &ExplorerWindow::redrawForOccurrences);
    connect(
        m_sweep, &SweepForm::thresholdChanged, m_controller, &ExplorerController::changeThreshold);
    connect(m_sweep, &SweepForm::rangeChanged, m_controller, &ExplorerController::requeryLater);
    connect(m_devicePanel, &DevicePanel::loadShown, this, &ExplorerWindow::deviceLoadShown);
    connect(m_devicePanel, &DevicePanel::loadFailed, this, &ExplorerWindow::deviceLoadFailed);
    connect(m_heatmap->selectionModel(), &QItemSelectionModel::currentChanged, this,
        &ExplorerWindow::showDeviceOfHeatmap);
    connect(m_tuning->view(), &TuningView::settingChosen, m_sweep, &SweepForm::chooseSetting);
    connect(m_tuning->budgetBox(), &QDoubleSpinBox::valueChanged, m_analysis,
        &ShownAnalysis::setBudget);
    m_analysis->setBudget(m_tuning->budget());
    connect(m_tuning->holdOutBox(), &QSpinBox::valueChanged, m_analysis,
        &ShownAnalysis::setHoldOutDays);
    connect(m_analysis, &ShownAnalysis::analysed, this, &ExplorerWindow::showAnalysis);
    connect(m_keepBaseline, &QPushButton::clicked, this, &ExplorerWindow::keepBaseline);
}

void ExplorerWindow::connectController()
{
    connect(m_controller, &ExplorerController::requeryDue, this, &ExplorerWindow::run);
    connect(m_controller, &ExplorerController::started, m_statusLine, &StatusLine::showStarted);
    connect(
        m_controller, &ExplorerController::runningChanged, this, &ExplorerWindow::updateButtons);
    connect(m_controller, &ExplorerController::progress, m_statusLine, &StatusLine::showProgress);
    connect(m_controller, &ExplorerController::resultShown, this, &ExplorerWindow::showResult);
    connect(
        m_controller, &ExplorerController::thresholdShown, this, &ExplorerWindow::showThreshold);
    connect(m_controller, &ExplorerController::failed, this, &ExplorerWindow::showFailure);
}

void ExplorerWindow::applySettings(const SweepChoice &s)
{
    // Filling the controls is no change of the user's: the result on screen stays as it is.
    m_sweep->setChoice(s);
    m_connection->setChoice(s.connection);
    // Filling the controls is no change of the user's, so it asks for no query.
    m_controller->stopRequery();
}

SweepChoice ExplorerWindow::settings() const
{
    SweepChoice s = m_sweep->choice();
    s.connection = m_connection->choice();
    return s;
}

const SweepGrid *ExplorerWindow::shownGrid() const
{
    return m_controller->shownGrid().get();
}

const LadderResult *ExplorerWindow::shownLadder() const
{
    return m_controller->shownLadder().get();
}

SweepSettings ExplorerWindow::shownSettings() const
{
    SweepSettings s = m_controller->shownSettings();
    s.occurrences = occurrences();
    return s;
}

bool ExplorerWindow::isRunning() const
{
    return m_controller->isRunning();
}

bool ExplorerWindow::isRequeryWaiting() const
{
    return m_controller->isRequeryWaiting();
}

qint64 ExplorerWindow::lastSweepMs() const
{
    return m_controller->lastSweepMs();
}

QString ExplorerWindow::statusText() const
{
    return m_statusLine->text();
}

void ExplorerWindow::run()
{
    QString failure;
    if (m_controller->runChoice(settings(), QDateTime::currentDateTime(), &failure))
        remember();
    else
        m_statusLine->show({failure, true});
}

void ExplorerWindow::cancel()
{
    m_controller->cancel();
}

void ExplorerWindow::showResult()
{
    m_devicePanel->showNewResult(occurrences());
    m_sweep->setLadder(m_controller->shownLadder()->ladder);
    m_analysis->showResult(
        m_controller->shownLadder(), m_controller->shownSettings(), shownChoice());
    drawShown();
    updateButtons();
    m_statusLine->showFinished();
    // Connected once, the connection needs no more room than its name.
    m_connection->fold();
    emit resultShown();
}

void ExplorerWindow::showThreshold()
{
    // The views still hold the grid of the threshold before.
    m_devicePanel->showThreshold(m_heatmapModel->grid(), occurrences());
    showCurrentSetting();
    drawShown();
}

// The result on screen at its threshold and the occurrences of the box, in every view but the
// tuning table and the device chart.
void ExplorerWindow::drawShown()
{
    const SweepGrid &grid = *m_controller->shownGrid();
    const qint16 shownOccurrences = occurrences();
    m_heatmapModel->setGrid(m_controller->shownGrid(), shownOccurrences);
    m_caughtChart->showCaught(grid, shownOccurrences, m_analysis->incidents());
    compareWithBaseline();
    showSummary();
}

void ExplorerWindow::showSummary()
{
    ExplorerText::StatusMessage summary = ExplorerText::summary(*m_controller->shownGrid(),
        m_controller->shownSettings().threshold, occurrences(), m_controller->timingText());
    if (const QString caught = m_analysis->caughtText(); !caught.isEmpty())
        summary.text += u' ' + caught;
    m_statusLine->show(summary);
}

void ExplorerWindow::showAnalysis()
{
    m_tuning->showAnalysis(m_analysis->analysis(), shownChoice());
    showSettingViews();
}

void ExplorerWindow::showSettingViews()
{
    m_noise->showNoise(m_analysis->analysis().get(), m_analysis->currentSetting(), shownChoice());
    m_tuning->showHoldOut(m_analysis->holdOutText());
}

void ExplorerWindow::showCurrentSetting()
{
    m_analysis->setCurrent(shownChoice());
    m_tuning->model()->setCurrent(shownChoice());
    showSettingViews();
}

void ExplorerWindow::chooseIncidentsFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Load incidents"), QString(), tr("Incidents (*.csv);;All files (*)"));
    if (!path.isEmpty())
        loadIncidents(path);
}

bool ExplorerWindow::loadIncidents(const QString &path)
{
    QString failure;
    if (!m_analysis->loadIncidents(path, &failure)) {
        m_statusLine->show({failure, true});
        return false;
    }
    showIncidents();
    return true;
}

void ExplorerWindow::setIncidents(const QString &path, QList<Incident> incidents)
{
    m_analysis->setIncidents(path, std::move(incidents));
    showIncidents();
}

void ExplorerWindow::showIncidents()
{
    m_heatmapModel->setIncidents(m_analysis->incidents());
    showHeatmapLegend();
    if (const SweepGrid *grid = shownGrid())
        m_caughtChart->showCaught(*grid, occurrences(), m_analysis->incidents());
    m_devicePanel->showIncidents();
    m_statusLine->show({m_analysis->loadedText()});
}

void ExplorerWindow::showFailure(const QString &description, bool cancelled)
{
    m_statusLine->showEnded(ExplorerText::ended(description, cancelled, shownGrid() != nullptr));
    emit runFailed(description);
}

void ExplorerWindow::updateButtons()
{
    m_statusLine->cancelButton()->setEnabled(isRunning());
    m_cancelAction->setEnabled(isRunning());
    m_exports->setResultShown(shownGrid() != nullptr);
    m_keepBaseline->setEnabled(shownGrid() != nullptr);
}

qint16 ExplorerWindow::occurrences() const
{
    return m_sweep->occurrences();
}

AlarmChoice ExplorerWindow::shownChoice() const
{
    return {m_controller->shownSettings().threshold, occurrences()};
}

void ExplorerWindow::redrawForOccurrences()
{
    const SweepGrid *grid = shownGrid();
    if (!grid)
        return;
    m_controller->startRedraw();
    const qint16 shownOccurrences = occurrences();
    m_heatmapModel->setOccurrences(shownOccurrences);
    m_caughtChart->showCaught(*grid, shownOccurrences, m_analysis->incidents());
    showCurrentSetting();
    compareWithBaseline();
    // The blind hours depend on the occurrences; a running sweep's progress keeps the line.
    if (!isRunning())
        showSummary();
    m_devicePanel->showOccurrences(shownOccurrences);
}

void ExplorerWindow::keepBaseline()
{
    if (!shownGrid())
        return;
    m_baseline.keep(shownChoice());
    compareWithBaseline();
}

void ExplorerWindow::compareWithBaseline()
{
    showHeatmapLegend();
    Baseline::Shown shown = m_baseline.compare(m_controller->shownLadder().get(), shownChoice());
    m_comparison->setText(shown.text);
    m_heatmapModel->setComparison(std::move(shown.marks));
}

void ExplorerWindow::showHeatmapLegend()
{
    m_heatmapLegend->setText(
        LegendText::heatmapLegend(m_baseline.isKept(), m_analysis->hasIncidents()));
}

void ExplorerWindow::showDeviceOfHeatmap(const QModelIndex &index)
{
    if (index.isValid())
        m_devicePanel->showDevice(index.data(HeatmapModel::DeviceRole).toInt());
}

void ExplorerWindow::restoreRemembered()
{
    if (m_settingsPath.isEmpty())
        return;
    const QSettings store(m_settingsPath, QSettings::IniFormat);
    m_tuning->setBudget(ExplorerSettingsStore::budget(store).value_or(m_tuning->budget()));
    // A file of an older explorer, or of another arrangement of panels, leaves the default one.
    if (const std::optional<QByteArray> state = ExplorerSettingsStore::windowState(store))
        m_arrangementRestored = restoreState(*state, kPanelsVersion);
    orientDevicePanel();
}

void ExplorerWindow::remember() const
{
    // Without the file the explorer still works, as the tester does without its run log.
    QString ignored;
    if (!m_settingsPath.isEmpty())
        ExplorerSettingsStore::write(m_settingsPath, settings(), &ignored,
            ExplorerSettingsStore::WindowMemory {m_tuning->budget(), saveState(kPanelsVersion)});
}

bool ExplorerWindow::exportCsv(const QString &path, QString *failure) const
{
    return ResultExport::writeCsv(
        m_controller->shownLadder().get(), shownSettings(), path, failure);
}

bool ExplorerWindow::exportChart(const QString &path, QString *failure) const
{
    return m_caughtChart->writeFile(path, failure);
}

bool ExplorerWindow::exportReport(const QString &path, QString *failure) const
{
    return ResultExport::writeReport(m_controller->shownGrid(), shownSettings(),
        m_controller->shownLadder().get(), m_baseline.setting(), m_tuning->budget(),
        m_analysis->wholeRangeAnalysis(), path, failure);
}

void ExplorerWindow::closeEvent(QCloseEvent *event)
{
    remember();
    event->accept();
}

} // namespace tovik
