#include "explorer/ExplorerWindow.h"

#include "common/HourText.h"
#include "db/ConnectionDefaults.h"
#include "explorer/DeviceFilterModel.h"
#include "explorer/DeviceTableModel.h"
#include "explorer/ExplorerSettingsStore.h"
#include "explorer/ExplorerText.h"
#include "explorer/HeatmapModel.h"
#include "explorer/HeatmapView.h"
#include "explorer/HourChartView.h"
#include "explorer/SweepGrid.h"
#include "sweep/SweepCsv.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace tovik {

namespace {

// Long enough for a few more keystrokes or arrow clicks before a new query goes out.
constexpr int kRequeryDelayMs = 600;
const QString kHourFormat = HourText::kFormat;

QSpinBox *spinBox(const char *name, int min, int max, const QString &suffix = {})
{
    auto *box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(min, max);
    box->setSuffix(suffix);
    return box;
}

QLineEdit *lineEdit(const char *name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    return edit;
}

// A row whose field is a layout gets no buddy from QFormLayout, which would show the "&" instead
// of taking it as the shortcut to the row's first control.
QLabel *buddyLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QDateTimeEdit *hourEdit(const char *name)
{
    auto *edit = new QDateTimeEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:00"));
    edit->setCalendarPopup(true);
    return edit;
}

QDateTime wholeHourBefore(const QDateTime &time, int hours)
{
    return QDateTime(time.date(), QTime(time.time().hour(), 0)).addSecs(-3600LL * hours);
}

} // namespace

ExplorerWindow::ExplorerWindow(QSettings *store, QWidget *parent)
    : QMainWindow(parent)
    , m_store(store)
    , m_worker(new SweepWorker)
{
    setObjectName(QStringLiteral("explorerWindow"));
    setWindowTitle(tr("Tovik Threshold Explorer"));
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    auto *settingsRow = new QHBoxLayout;
    settingsRow->addWidget(buildConnectionBox());
    settingsRow->addWidget(buildSweepBox(), 1);
    settingsRow->addWidget(buildButtons());
    layout->addLayout(settingsRow);
    layout->addWidget(buildViews(), 1);
    setCentralWidget(central);
    buildMenus();
    arrangeTabOrder();

    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &SweepWorker::progress, this, &ExplorerWindow::showProgress);
    connect(m_worker, &SweepWorker::finished, this, &ExplorerWindow::showResult);
    connect(m_worker, &SweepWorker::failed, this, &ExplorerWindow::showFailure);
    m_thread.setObjectName(QStringLiteral("sweep"));
    m_thread.start();

    m_requery.setSingleShot(true);
    m_requery.setInterval(kRequeryDelayMs);
    connect(&m_requery, &QTimer::timeout, this, &ExplorerWindow::run);
    applySettings(SweepChoice());
    connectControls();
    updateButtons();
    setStatus(tr("Set the connection and press Run."), false);
}

ExplorerWindow::~ExplorerWindow()
{
    m_worker->cancel();
    m_thread.quit();
    m_thread.wait();
}

QWidget *ExplorerWindow::buildConnectionBox()
{
    auto *box = new QGroupBox(tr("Connection"));
    auto *form = new QFormLayout(box);
    cboAuth = new QComboBox;
    cboAuth->setObjectName(QStringLiteral("auth"));
    cboAuth->addItems(ConnectionDefaults::authChoices());
    txtServer = lineEdit("server");
    txtPort = lineEdit("port");
    txtPort->setMaxLength(5);
    txtDatabase = lineEdit("database");
    spinLoginTimeout = spinBox("loginTimeout", 0, 3600, tr(" s"));
    txtUser = lineEdit("user");
    txtPassword = lineEdit("password");
    txtPassword->setEchoMode(QLineEdit::Password);
    form->addRow(tr("&Authentication:"), cboAuth);
    auto *serverRow = new QHBoxLayout;
    serverRow->addWidget(txtServer, 1);
    serverRow->addWidget(new QLabel(tr("Port:")));
    serverRow->addWidget(txtPort);
    form->addRow(buddyLabel(tr("&Server:"), txtServer), serverRow);
    auto *databaseRow = new QHBoxLayout;
    databaseRow->addWidget(txtDatabase, 1);
    databaseRow->addWidget(new QLabel(tr("Timeout:")));
    databaseRow->addWidget(spinLoginTimeout);
    form->addRow(buddyLabel(tr("&Database:"), txtDatabase), databaseRow);
    form->addRow(tr("&User Name:"), txtUser);
    form->addRow(tr("Pass&word:"), txtPassword);
    return box;
}

QWidget *ExplorerWindow::buildSweepBox()
{
    auto *box = new QGroupBox(tr("Sweep"));
    auto *form = new QFormLayout(box);
    optLast = new QRadioButton(tr("&Last"));
    optLast->setObjectName(QStringLiteral("rangeLast"));
    spinLastHours = spinBox("lastHours", 1, SweepRange::kMaxHours, tr(" hours"));
    optFixed = new QRadioButton(tr("&From"));
    optFixed->setObjectName(QStringLiteral("rangeFixed"));
    dtFrom = hourEdit("from");
    dtTo = hourEdit("to");
    auto *fixedRow = new QHBoxLayout;
    fixedRow->addWidget(dtFrom);
    fixedRow->addWidget(new QLabel(tr("to")));
    fixedRow->addWidget(dtTo);
    form->addRow(optLast, spinLastHours);
    form->addRow(optFixed, fixedRow);

    spinMonStart = spinBox("monitoringStart", 0, 23, QStringLiteral(":00"));
    spinMonStop = spinBox("monitoringStop", 1, 24, QStringLiteral(":00"));
    auto *monitoringRow = new QHBoxLayout;
    monitoringRow->addWidget(spinMonStart);
    monitoringRow->addWidget(new QLabel(tr("to")));
    monitoringRow->addWidget(spinMonStop);
    monitoringRow->addStretch();
    form->addRow(buddyLabel(tr("&Monitoring Time:"), spinMonStart), monitoringRow);
    spinThreshold = spinBox("threshold", 0, 100, QStringLiteral(" %"));
    spinOccurrences = spinBox("occurrences", 1, 32767);
    form->addRow(tr("Avg .CPU Load &Threshold:"), spinThreshold);
    form->addRow(tr("&Occurrences:"), spinOccurrences);
    return box;
}

QWidget *ExplorerWindow::buildButtons()
{
    auto *panel = new QWidget;
    auto *column = new QVBoxLayout(panel);
    cmdRun = new QPushButton(tr("&Run"));
    cmdRun->setObjectName(QStringLiteral("run"));
    cmdRun->setDefault(true);
    cmdCancel = new QPushButton(tr("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cancel"));
    progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("progress"));
    progress->setTextVisible(true);
    lblStatus = new QLabel;
    lblStatus->setObjectName(QStringLiteral("status"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblStatus->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QLatin1Char('x')) * 32);
    column->addWidget(cmdRun);
    column->addWidget(cmdCancel);
    column->addWidget(progress);
    column->addWidget(lblStatus, 1);
    return panel;
}

QWidget *ExplorerWindow::buildViews()
{
    m_heatmapModel = new HeatmapModel(this);
    m_heatmap = new HeatmapView;
    m_heatmap->setModel(m_heatmapModel);
    m_caughtChart = new CaughtChartView;

    m_deviceModel = new DeviceTableModel(this);
    m_deviceFilter = new DeviceFilterModel(this);
    m_deviceFilter->setSourceModel(m_deviceModel);
    m_deviceTable = new QTableView;
    m_deviceTable->setObjectName(QStringLiteral("devices"));
    m_deviceTable->setModel(m_deviceFilter);
    m_deviceTable->setSortingEnabled(true);
    m_deviceTable->sortByColumn(DeviceTableModel::HoursCaught, Qt::DescendingOrder);
    m_deviceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_deviceTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_deviceTable->verticalHeader()->hide();
    m_deviceTable->horizontalHeader()->setStretchLastSection(true);
    txtDeviceFilter = lineEdit("deviceFilter");
    txtDeviceFilter->setPlaceholderText(tr("Filter devices by name"));
    txtDeviceFilter->setClearButtonEnabled(true);
    m_deviceChart = new DeviceCountsChartView;

    auto *devicePanel = new QWidget;
    auto *deviceColumn = new QVBoxLayout(devicePanel);
    deviceColumn->setContentsMargins(0, 0, 0, 0);
    deviceColumn->addWidget(txtDeviceFilter);
    deviceColumn->addWidget(m_deviceTable, 1);

    auto *right = new QSplitter(Qt::Vertical);
    right->addWidget(m_caughtChart);
    right->addWidget(devicePanel);
    right->addWidget(m_deviceChart);
    // Room for the time axis' labels; the table takes what is left.
    for (HourChartView *chart :
        std::initializer_list<HourChartView *> {m_caughtChart, m_deviceChart})
        chart->setMinimumHeight(200);
    right->setStretchFactor(0, 2);
    right->setStretchFactor(1, 3);
    right->setStretchFactor(2, 2);
    auto *split = new QSplitter(Qt::Horizontal);
    split->addWidget(m_heatmap);
    split->addWidget(right);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    return split;
}

void ExplorerWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    m_exportCsvAction
        = file->addAction(tr("&Export CSV..."), this, &ExplorerWindow::exportCsvAsked);
    m_exportCsvAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    QAction *png = file->addAction(tr("Export Chart as &PNG..."), this,
        [this] { exportChartAsked(tr("PNG pictures (*.png)"), QStringLiteral(".png")); });
    png->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    file->addAction(tr("Export Chart as &SVG..."), this,
        [this] { exportChartAsked(tr("SVG drawings (*.svg)"), QStringLiteral(".svg")); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *sweep = menuBar()->addMenu(tr("&Sweep"));
    m_runAction = sweep->addAction(tr("&Run"), this, &ExplorerWindow::run);
    m_runAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
    m_cancelAction = sweep->addAction(tr("&Cancel"), this, &ExplorerWindow::cancel);
    m_cancelAction->setShortcut(QKeySequence(Qt::Key_Escape));
}

void ExplorerWindow::arrangeTabOrder()
{
    const QList<QWidget *> order {cboAuth, txtServer, txtPort, txtDatabase, spinLoginTimeout,
        txtUser, txtPassword, optLast, spinLastHours, optFixed, dtFrom, dtTo, spinMonStart,
        spinMonStop, spinThreshold, spinOccurrences, cmdRun, cmdCancel, m_heatmap, m_caughtChart,
        txtDeviceFilter, m_deviceTable, m_deviceChart};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void ExplorerWindow::connectControls()
{
    connect(cmdRun, &QPushButton::clicked, this, &ExplorerWindow::run);
    connect(cmdCancel, &QPushButton::clicked, this, &ExplorerWindow::cancel);
    connect(spinOccurrences, &QSpinBox::valueChanged, this, &ExplorerWindow::redrawForOccurrences);
    for (QSpinBox *box : {spinThreshold, spinLastHours, spinMonStart, spinMonStop})
        connect(box, &QSpinBox::valueChanged, this, &ExplorerWindow::requeryLater);
    for (QDateTimeEdit *edit : {dtFrom, dtTo})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &ExplorerWindow::requeryLater);
    connect(optLast, &QRadioButton::toggled, this, &ExplorerWindow::requeryLater);
    connect(txtDeviceFilter, &QLineEdit::textChanged, m_deviceFilter,
        &DeviceFilterModel::setNameFilter);
    connect(m_deviceTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &ExplorerWindow::showDeviceOfTable);
    connect(m_heatmap->selectionModel(), &QItemSelectionModel::currentChanged, this,
        &ExplorerWindow::showDeviceOfHeatmap);
}

void ExplorerWindow::applySettings(const SweepChoice &s)
{
    const QSignalBlocker blockOccurrences(spinOccurrences);
    const ConnectionFields &fields = s.connection.fields;
    cboAuth->setCurrentIndex(
        std::max<qsizetype>(0, ConnectionDefaults::authChoices().indexOf(fields.SqlConnType)));
    txtServer->setText(fields.SqlDbServer);
    txtPort->setText(fields.SqlDbPort);
    txtDatabase->setText(fields.SqlDatabase);
    txtUser->setText(fields.SqlDbUser);
    txtPassword->setText(fields.SqlDbPass);
    spinLoginTimeout->setValue(s.connection.loginTimeoutSeconds);
    spinLastHours->setValue(s.lastHours);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime from = QDateTime::fromString(s.from, kHourFormat);
    const QDateTime to = QDateTime::fromString(s.to, kHourFormat);
    dtFrom->setDateTime(from.isValid() ? from : wholeHourBefore(now, s.lastHours));
    dtTo->setDateTime(to.isValid() ? to : wholeHourBefore(now, 0));
    (s.fixedRange ? optFixed : optLast)->setChecked(true);
    spinMonStart->setValue(s.monStartHour);
    spinMonStop->setValue(s.monStopHour);
    spinThreshold->setValue(s.threshold);
    spinOccurrences->setValue(s.occurrences);
    // Filling the controls is no change of the user's, so it asks for no query.
    m_requery.stop();
}

SweepChoice ExplorerWindow::settings() const
{
    SweepChoice s;
    ConnectionFields &fields = s.connection.fields;
    fields.SqlConnType = cboAuth->currentText();
    fields.SqlDbServer = txtServer->text();
    fields.SqlDbPort = txtPort->text();
    fields.SqlDatabase = txtDatabase->text();
    fields.SqlDbUser = txtUser->text();
    fields.SqlDbPass = txtPassword->text();
    s.connection.loginTimeoutSeconds = spinLoginTimeout->value();
    s.lastHours = spinLastHours->value();
    s.fixedRange = optFixed->isChecked();
    s.from = dtFrom->dateTime().toString(kHourFormat);
    s.to = dtTo->dateTime().toString(kHourFormat);
    s.monStartHour = qint16(spinMonStart->value());
    s.monStopHour = qint16(spinMonStop->value());
    s.threshold = qint16(spinThreshold->value());
    s.occurrences = qint16(spinOccurrences->value());
    return s;
}

SweepSettings ExplorerWindow::shownSettings() const
{
    SweepSettings s = m_shownSettings;
    s.occurrences = qint16(spinOccurrences->value());
    return s;
}

QString ExplorerWindow::statusText() const
{
    return lblStatus->text();
}

void ExplorerWindow::run()
{
    m_requery.stop();
    QString failure;
    const auto sweep = settings().sweep(QDateTime::currentDateTime(), &failure);
    if (!sweep) {
        setStatus(failure, true);
        return;
    }
    remember();
    if (m_running) {
        // The running sweep is for settings that are gone; the newest starts once it has ended.
        m_pending = true;
        m_worker->cancel();
        return;
    }
    start(*sweep);
}

void ExplorerWindow::cancel()
{
    m_requery.stop();
    m_pending = false;
    if (m_running)
        m_worker->cancel();
}

void ExplorerWindow::start(const SweepSettings &settings)
{
    m_runningSettings = settings;
    m_running = true;
    const quint64 request = ++m_request;
    progress->setRange(0, 0);
    setStatus(tr("Connecting..."), false);
    updateButtons();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, request, settings] { worker->run(request, settings); });
}

void ExplorerWindow::showProgress(quint64 request, int report, int reports)
{
    if (request != m_request)
        return;
    progress->setRange(0, reports);
    progress->setValue(report - 1);
    setStatus(
        tr("Report %1 of %2...").arg(ExplorerText::number(report), ExplorerText::number(reports)),
        false);
}

bool ExplorerWindow::startPending()
{
    m_running = false;
    updateButtons();
    if (!m_pending)
        return false;
    m_pending = false;
    run();
    return true;
}

void ExplorerWindow::showResult(
    quint64 request, SweepWorker::ResultPointer result, qint64 elapsedMs)
{
    if (request != m_request || startPending())
        return;
    m_shownSettings = m_runningSettings;
    m_lastSweepMs = elapsedMs;
    m_grid = std::make_shared<const SweepGrid>(std::move(result));
    const qint16 occurrences = qint16(spinOccurrences->value());
    m_heatmapModel->setGrid(m_grid, occurrences);
    m_deviceModel->setGrid(m_grid, occurrences);
    m_caughtChart->showCaught(*m_grid, occurrences);
    m_shownDevice = -1;
    m_deviceChart->clearDevice();
    progress->setRange(0, 1);
    progress->setValue(1);
    setStatus(tr("%1 devices with samples at or over %2 % in %3 hours, swept in %4 s.")
                  .arg(ExplorerText::number(m_grid->deviceCount()),
                      ExplorerText::number(m_shownSettings.threshold),
                      ExplorerText::number(m_grid->hourCount()),
                      QLocale().toString(elapsedMs / 1000.0, 'f', 1)),
        false);
    emit resultShown();
}

void ExplorerWindow::showFailure(quint64 request, const QString &description, bool cancelled)
{
    if (request != m_request || startPending())
        return;
    progress->setRange(0, 1);
    progress->setValue(0);
    const QString kept = m_grid ? tr(" The previous result stays on screen.") : QString();
    setStatus((cancelled ? tr("Cancelled.") : description) + kept, !cancelled);
    emit runFailed(description);
}

void ExplorerWindow::setStatus(const QString &text, bool failure)
{
    lblStatus->setText(text);
    lblStatus->setStyleSheet(failure ? QStringLiteral("color: #b00000") : QString());
}

void ExplorerWindow::updateButtons()
{
    cmdCancel->setEnabled(m_running);
    m_cancelAction->setEnabled(m_running);
    m_exportCsvAction->setEnabled(bool(m_grid));
}

void ExplorerWindow::requeryLater()
{
    // Only once the user has asked for a sweep do changes query by themselves.
    if (m_grid || m_running)
        m_requery.start();
}

void ExplorerWindow::redrawForOccurrences()
{
    if (!m_grid)
        return;
    const qint16 occurrences = qint16(spinOccurrences->value());
    m_heatmapModel->setOccurrences(occurrences);
    m_deviceModel->setOccurrences(occurrences);
    m_caughtChart->showCaught(*m_grid, occurrences);
    if (m_shownDevice >= 0)
        showDevice(m_shownDevice);
}

void ExplorerWindow::showDeviceOfTable(const QModelIndex &proxyIndex)
{
    if (proxyIndex.isValid())
        showDevice(proxyIndex.data(DeviceTableModel::DeviceRole).toInt());
}

void ExplorerWindow::showDeviceOfHeatmap(const QModelIndex &index)
{
    if (index.isValid())
        showDevice(index.data(HeatmapModel::DeviceRole).toInt());
}

void ExplorerWindow::showDevice(int device)
{
    if (!m_grid || device < 0 || device >= m_grid->deviceCount())
        return;
    m_shownDevice = device;
    m_deviceChart->showDevice(*m_grid, device, qint16(spinOccurrences->value()));
}

void ExplorerWindow::remember() const
{
    if (!m_store)
        return;
    ExplorerSettingsStore::save(*m_store, settings());
    m_store->sync();
}

bool ExplorerWindow::exportCsv(const QString &path, QString *failure) const
{
    if (!m_grid) {
        *failure = tr("There is no result to export yet.");
        return false;
    }
    // Names, addresses and counts only: the csv holds no trap community and no connection detail.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || !SweepCsv::write(file, m_grid->result(), shownSettings()) || !file.commit()) {
        *failure = file.errorString();
        return false;
    }
    return true;
}

bool ExplorerWindow::exportChart(const QString &path, QString *failure) const
{
    const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    if (svg ? m_caughtChart->saveSvg(path) : m_caughtChart->savePng(path))
        return true;
    *failure = tr("The chart could not be written to %1.").arg(path);
    return false;
}

void ExplorerWindow::exportCsvAsked()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export CSV"), QStringLiteral("sweep.csv"), tr("CSV files (*.csv)"));
    QString failure;
    if (!path.isEmpty() && !exportCsv(path, &failure))
        setStatus(failure, true);
}

void ExplorerWindow::exportChartAsked(const QString &filter, const QString &suffix)
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Chart"), QStringLiteral("caught-per-hour") + suffix, filter);
    QString failure;
    if (!path.isEmpty() && !exportChart(path, &failure))
        setStatus(failure, true);
}

void ExplorerWindow::closeEvent(QCloseEvent *event)
{
    remember();
    event->accept();
}

} // namespace tovik
