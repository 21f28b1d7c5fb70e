#include "explorer/DevicePanel.h"

#include "explorer/DeviceLoadChartView.h"
#include "explorer/DeviceLoadController.h"
#include "explorer/ExplorerController.h"
#include "explorer/ExplorerText.h"
#include "explorer/FormParts.h"
#include "explorer/HourChartView.h"
#include "explorer/ShownAnalysis.h"
#include "explorer/models/DeviceFilterModel.h"
#include "explorer/models/DeviceTableModel.h"
#include "sweep/SweepGrid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tovik {

namespace {

// A column narrower than this shows its texts whole; past it a long name is elided, so that it
// does not push the counts out of sight.
constexpr int kWidestColumnCharacters = 48;

// The device of grid that is the same report's node as device of before; -1 when grid lacks it.
int sameDevice(const SweepGrid &before, int device, const SweepGrid &grid)
{
    const GridDevice &wanted = before.device(device);
    for (int i = 0; i < grid.deviceCount(); ++i) {
        if (grid.device(i).reportIndex == wanted.reportIndex
            && grid.device(i).nodeId == wanted.nodeId)
            return i;
    }
    return -1;
}

} // namespace

DevicePanel::DevicePanel(
    const ExplorerController *controller, ShownAnalysis *analysis, QWidget *parent)
    : QSplitter(Qt::Horizontal, parent)
    , m_controller(controller)
    , m_analysis(analysis)
    , m_loadController(new DeviceLoadController(this))
{
    setObjectName(QStringLiteral("devicePanel"));
    addWidget(buildList());
    addWidget(buildDeviceViews());
    setStretchFactor(0, 2);
    setStretchFactor(1, 3);
    setChildrenCollapsible(false);
    connectParts();
}

QWidget *DevicePanel::buildList()
{
    m_model = new DeviceTableModel(this);
    m_filterModel = new DeviceFilterModel(this);
    m_filterModel->setSourceModel(m_model);
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("devices"));
    m_table->setModel(m_filterModel);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(DeviceTableModel::HoursCaught, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    // One line a device: the columns are as wide as their texts, and a name past the widest is
    // elided rather than wrapped.
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_filter = FormParts::lineEdit("deviceFilter");
    m_filter->setPlaceholderText(tr("Filter devices by name"));
    m_filter->setClearButtonEnabled(true);
    auto *list = new QWidget;
    auto *column = new QVBoxLayout(list);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_filter);
    column->addWidget(m_table, 1);
    return list;
}

// The selected device's load and its counts per hour, one at a time.
QWidget *DevicePanel::buildDeviceViews()
{
    m_loadChart = new DeviceLoadChartView;
    m_loadStatus = new QLabel(tr("Select a device to see its CPU load."));
    m_loadStatus->setObjectName(QStringLiteral("deviceLoadStatus"));
    m_loadStatus->setWordWrap(true);
    m_loadStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_wholeRange = new QPushButton(tr("Whole range"));
    m_wholeRange->setObjectName(QStringLiteral("wholeRange"));
    m_wholeRange->setToolTip(m_loadChart->toolTip());
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(m_loadStatus, 1);
    statusRow->addWidget(m_wholeRange);
    auto *loadPanel = new QWidget;
    auto *loadColumn = new QVBoxLayout(loadPanel);
    loadColumn->setContentsMargins(0, 0, 0, 0);
    loadColumn->addLayout(statusRow);
    loadColumn->addWidget(m_loadChart, 1);
    m_countsChart = new DeviceCountsChartView;
    auto *tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("deviceViews"));
    tabs->addTab(loadPanel, tr("C&PU load"));
    tabs->addTab(m_countsChart, tr("Counts b&y hour"));
    return tabs;
}

void DevicePanel::connectParts()
{
    connect(m_filter, &QLineEdit::textChanged, m_filterModel, &DeviceFilterModel::setNameFilter);
    connect(m_filter, &QLineEdit::returnPressed, this, &DevicePanel::selectFirstListedDevice);
    connect(m_wholeRange, &QPushButton::clicked, m_loadChart, &DeviceLoadChartView::showWholeRange);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &DevicePanel::showDeviceOfTable);
    connect(m_loadController, &DeviceLoadController::loaded, this, &DevicePanel::showLoad);
    connect(m_loadController, &DeviceLoadController::failed, this, &DevicePanel::showLoadFailure);
}

QList<QWidget *> DevicePanel::tabOrder() const
{
    return {m_filter, m_table, m_wholeRange, m_loadChart, m_countsChart};
}

QList<QWidget *> DevicePanel::charts() const
{
    return {m_loadChart, m_countsChart};
}

void DevicePanel::showNewResult(qint16 occurrences)
{
    m_occurrences = occurrences;
    m_shownDevice = -1;
    m_countsChart->clearDevice();
    forgetLoad();
    m_model->setGrid(m_controller->shownGrid(), occurrences);
    fitColumns();
}

// The columns as wide as their texts, names and reports whole, from one result to the next.
void DevicePanel::fitColumns()
{
    const int widest = m_table->fontMetrics().averageCharWidth() * kWidestColumnCharacters;
    m_table->resizeColumnsToContents();
    for (int column = 0; column < m_table->model()->columnCount(); ++column)
        m_table->setColumnWidth(column, std::min(m_table->columnWidth(column), widest));
}

void DevicePanel::showThreshold(const SweepGrid *previous, qint16 occurrences)
{
    m_occurrences = occurrences;
    const int device = m_shownDevice >= 0 && previous
        ? sameDevice(*previous, m_shownDevice, *m_controller->shownGrid())
        : -1;
    m_shownDevice = -1;
    m_model->setGrid(m_controller->shownGrid(), occurrences);
    if (device >= 0)
        showDevice(device);
    else
        m_countsChart->clearDevice();
    // The samples stay those of the device asked for, also where it has no count at this
    // threshold.
    redrawLoad();
}

void DevicePanel::showOccurrences(qint16 occurrences)
{
    m_occurrences = occurrences;
    m_model->setOccurrences(occurrences);
    if (m_shownDevice >= 0)
        showDevice(m_shownDevice);
    redrawLoad();
}

void DevicePanel::showDeviceOfTable(const QModelIndex &proxyIndex)
{
    if (proxyIndex.isValid())
        showDevice(proxyIndex.data(DeviceTableModel::DeviceRole).toInt());
}

void DevicePanel::showDevice(int device)
{
    const SweepGrid *grid = m_controller->shownGrid().get();
    if (!grid || device < 0 || device >= grid->deviceCount())
        return;
    m_shownDevice = device;
    m_countsChart->showDevice(*grid, device, m_occurrences);
    loadDevice(device);
}

// As though the user had clicked the device table's first row after filtering by name.
void DevicePanel::selectFirstListedDevice()
{
    if (m_filterModel->rowCount() > 0)
        m_table->setCurrentIndex(m_filterModel->index(0, 0));
}

// Asks for the device's samples unless they are on screen or asked for already: another
// occurrences value or threshold only redraws them.
void DevicePanel::loadDevice(int device)
{
    const SweepGrid &grid = *m_controller->shownGrid();
    const std::pair<qint32, qint32> wanted {grid.reportId(device), grid.device(device).nodeId};
    if (m_loadWanted == wanted)
        return;
    m_loadWanted = wanted;
    m_loadName = grid.deviceName(device);
    m_loadChart->clearLoad(m_loadName);
    showIncidents();
    setLoadStatus(tr("Reading the samples of %1...").arg(m_loadName), false);
    m_loadController->load(
        {m_controller->shownSettings(), grid.result().store, wanted.first, wanted.second});
}

void DevicePanel::showIncidents()
{
    if (m_loadWanted)
        m_loadChart->setIncidents(
            m_analysis->incidentsOf(m_loadWanted->first, m_loadWanted->second));
}

void DevicePanel::redrawLoad()
{
    if (const SweepGrid *grid = m_controller->shownGrid().get())
        m_loadChart->redraw(*grid, m_controller->shownSettings().threshold, m_occurrences);
}

// A new result: the samples on screen or asked for belong to the one before.
void DevicePanel::forgetLoad()
{
    m_loadController->drop();
    m_loadWanted.reset();
    m_loadChart->clearLoad();
    setLoadStatus(tr("Select a device to see its CPU load."), false);
}

void DevicePanel::showLoad(DeviceLoadWorker::LoadPointer load)
{
    const SweepGrid *grid = m_controller->shownGrid().get();
    if (!grid)
        return;
    setLoadStatus(tr("%1 samples of %2 (report %3).")
                      .arg(ExplorerText::number(load->samples.size()), m_loadName,
                          ExplorerText::number(load->reportId)),
        false);
    m_loadChart->showLoad(
        std::move(load), m_loadName, *grid, m_controller->shownSettings().threshold, m_occurrences);
    emit loadShown();
}

void DevicePanel::showLoadFailure(const QString &description)
{
    // Selecting the device again asks anew.
    m_loadWanted.reset();
    setLoadStatus(description, true);
    emit loadFailed(description);
}

void DevicePanel::setLoadStatus(const QString &text, bool failure)
{
    m_loadStatus->setText(text);
    m_loadStatus->setStyleSheet(failure ? QStringLiteral("color: #b00000") : QString());
}

} // namespace tovik
