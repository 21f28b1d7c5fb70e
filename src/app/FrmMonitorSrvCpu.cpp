#include "app/FrmMonitorSrvCpu.h"

#include "app/ControlNames.h"
#include "common/TickCounter.h"
#include "common/TimeFormats.h"
#include "common/WallClock.h"
#include "db/ConnectionDefaults.h"
#include "db/ConnectionTimeouts.h"
#include "monitoring/AlarmSetting.h"
#include "testrun/TestRunDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

namespace tovik {

namespace {

constexpr int TwipsPerInch = 1440;
// A sunken line is two pixel rows, dark over light.
constexpr int LineThickness = 2;
constexpr QSize ClientAreaTwips(7830, 5475);
constexpr qreal DialogPointSize = 8.0;
constexpr qreal SmallestPointSize = 6.0;

int twipsToPixels(int twips, int dpi)
{
    return qRound(static_cast<double>(twips) * dpi / TwipsPerInch);
}

QStringList hourOffsets()
{
    QStringList entries;
    for (int hour = 0; hour < 24; ++hour)
        entries << QString::number(hour);
    return entries;
}

// Full hours "HH:00" from first to first + 23; the stop list runs one hour later so that a
// window can end at midnight ("24:00").
QStringList fullHours(int first)
{
    QStringList entries;
    for (int hour = first; hour < first + 24; ++hour)
        entries << TimeFormats::hourOfDay(hour);
    return entries;
}

// The boxes were drawn for the 8-point MS Sans Serif of Windows dialogs. Where that font is
// missing, Arial (or the metric twin that fontconfig puts in its place) comes closest in width.
QFont dialogFont()
{
    const QString msSansSerif = QStringLiteral("Microsoft Sans Serif");
    QFont font(QFontDatabase::hasFamily(msSansSerif) ? msSansSerif : QStringLiteral("Arial"));
    font.setPointSizeF(DialogPointSize);
    return font;
}

// The locale's short date and time, with the seconds that its short time format leaves out.
QString generalDateText(const QDateTime &time)
{
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1String("ss")))
        timeFormat.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return locale.toString(time.date(), QLocale::ShortFormat) + u' '
        + locale.toString(time.time(), timeFormat);
}

} // namespace

FrmMonitorSrvCpu::FrmMonitorSrvCpu(Clock clock, QWidget *parent)
    : QWidget(parent)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
    setObjectName(QStringLiteral("frmMonitorSrvCpu"));
    setWindowTitle(QStringLiteral("  Tovik SQL Tester"));
    setFixedSize(toPixels(QRect(QPoint(0, 0), ClientAreaTwips)).size());
    buildConnectionBand();
    buildReferenceBand();
    buildTestBand();
    fitFontToCaptions();
    arrangeTabOrder();
    connectSignals();
    cmdTest->setFocus();
}

void FrmMonitorSrvCpu::startUp()
{
    m_appPath = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    cboOnlConnType->setCurrentIndex(0);
    txtDate->setText(m_clock().toString(TimeFormats::kSecond));
    // The list starts without a selection, so this raises the hour selection like a user's choice.
    cboPlusHour->setCurrentIndex(0);
    // The start list begins at 00:00, the stop list at 01:00.
    cboCpuMonTimeStart->setCurrentIndex(AlarmSetting::kDefaultMonStartHour);
    cboCpuMonTimeStop->setCurrentIndex(AlarmSetting::kDefaultMonStopHour - 1);
    if (const auto offset = hourOffset())
        showCurrentHour(*offset);
}

bool FrmMonitorSrvCpu::monitorsCpuLoad() const
{
    return chkCpuLoadMon->isChecked();
}

std::optional<AlarmSetting> FrmMonitorSrvCpu::alarmSetting(QString *failure) const
{
    return AlarmSetting::fromShownTexts(
        {cboCpuMonTimeStart->currentText(), cboCpuMonTimeStop->currentText(),
            txtCpuLoadThreshold->text(), txtCpuOverThreshold->text()},
        failure);
}

ConnectionFields FrmMonitorSrvCpu::connectionFields() const
{
    return {cboOnlConnType->currentText(), txtOnlDbServer->text(), txtOnlDatabase->text(),
        txtOnlDbUser->text(), txtOnlDbPass->text(), txtOnlDbPort->text()};
}

int FrmMonitorSrvCpu::loginTimeoutSeconds() const
{
    return ConnectionTimeouts::loginSecondsOf(txtOnlConnTimeout->text());
}

void FrmMonitorSrvCpu::setTestEnabled(bool enabled)
{
    cmdTest->setEnabled(enabled);
}

void FrmMonitorSrvCpu::showWarning(const QString &text)
{
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Tovik SQL Tester"), text, QMessageBox::Ok, this);
    box.exec();
}

void FrmMonitorSrvCpu::openInViewer(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void FrmMonitorSrvCpu::processEvents()
{
    QCoreApplication::processEvents();
}

QDateTime FrmMonitorSrvCpu::currentDateTime() const
{
    return m_clock();
}

quint32 FrmMonitorSrvCpu::tickCount() const
{
    return systemTickCount();
}

void FrmMonitorSrvCpu::selectHour()
{
    const auto offset = hourOffset();
    if (!offset)
        return;
    showCurrentHour(*offset);
    m_referenceTime = WallClock::referenceTime(m_clock(), *offset);
    txtDate->setText(generalDateText(m_referenceTime));
}

void FrmMonitorSrvCpu::runTest()
{
    TestRunDriver(*this).run();
}

template<class Widget>
Widget *FrmMonitorSrvCpu::place(
    Widget *widget, const QString &name, QWidget *parent, const QRect &twips)
{
    widget->setParent(parent);
    widget->setObjectName(name);
    widget->setGeometry(toPixels(twips));
    return widget;
}

void FrmMonitorSrvCpu::placeLabel(
    const QString &name, const QString &caption, QWidget *parent, const QRect &twips)
{
    place(new QLabel(caption), name, parent, twips);
}

QLineEdit *FrmMonitorSrvCpu::placeTextBox(
    const QString &name, const QString &text, QWidget *parent, const QRect &twips)
{
    return place(new QLineEdit(text), name, parent, twips);
}

QComboBox *FrmMonitorSrvCpu::placeList(
    const QString &name, const QStringList &entries, QWidget *parent, const QRect &twips)
{
    auto *list = place(new QComboBox, name, parent, twips);
    list->addItems(entries);
    // No selection until start-up picks the default, so that picking it raises the same
    // selection event as a user's choice.
    list->setCurrentIndex(-1);
    return list;
}

void FrmMonitorSrvCpu::placeLine(const QString &name, int left, int right, int top)
{
    auto *line = new QFrame(this);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    const QRect pixels = toPixels(QRect(left, top, right - left, 0));
    line->setGeometry(pixels.left(), pixels.top(), pixels.width(), LineThickness);
}

QRect FrmMonitorSrvCpu::toPixels(const QRect &twips) const
{
    return QRect(twipsToPixels(twips.left(), logicalDpiX()),
        twipsToPixels(twips.top(), logicalDpiY()), twipsToPixels(twips.width(), logicalDpiX()),
        twipsToPixels(twips.height(), logicalDpiY()));
}

void FrmMonitorSrvCpu::buildConnectionBand()
{
    placeLabel("lblSqlConnType", tr("Authentication:"), this, {240, 240, 1095, 255});
    cboOnlConnType = placeList(
        control::kCboOnlConnType, ConnectionDefaults::authChoices(), this, {240, 480, 3855, 315});
    placeLabel("lblSqlDbServer", tr("Server:"), this, {240, 960, 855, 255});
    txtOnlDbServer = placeTextBox(
        control::kTxtOnlDbServer, ConnectionDefaults::server(), this, {240, 1200, 3255, 285});
    txtOnlDbPort = placeTextBox(
        control::kTxtOnlDbPort, ConnectionDefaults::port, this, {3600, 1200, 495, 285});
    placeLabel("lblSqlDatabase", tr("Database:"), this, {240, 1680, 1215, 255});
    txtOnlDatabase = placeTextBox(
        control::kTxtOnlDatabase, ConnectionDefaults::database, this, {240, 1920, 2535, 285});
    placeLabel("lblSqlConnTimeout", tr("Timeout:"), this, {3000, 1980, 615, 255});
    txtOnlConnTimeout = placeTextBox(control::kTxtOnlConnTimeout,
        ConnectionDefaults::loginTimeout(), this, {3720, 1920, 375, 285});
    placeLabel("lblSqlDbUser", tr("User Name:"), this, {4800, 240, 975, 255});
    txtOnlDbUser = placeTextBox(
        control::kTxtOnlDbUser, ConnectionDefaults::user, this, {4800, 480, 2055, 285});
    placeLabel("lblSqlDbPass", tr("Password:"), this, {4800, 960, 975, 255});
    txtOnlDbPass = placeTextBox(control::kTxtOnlDbPass, QString(), this, {4800, 1200, 2055, 285});
    txtOnlDbPass->setEchoMode(QLineEdit::Password);
    // The style's own mask character varies (a bullet on most); this box shows asterisks.
    txtOnlDbPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    placeLine("Line1", 240, 7560, 2400);
}

void FrmMonitorSrvCpu::buildReferenceBand()
{
    placeLabel("lblDate", tr("Date:"), this, {240, 2640, 495, 255});
    txtDate = placeTextBox("txtDate", QStringLiteral("2016-05-19"), this, {720, 2600, 2295, 285});
    placeLabel("lblPlusHour", tr("Now - x Hour:"), this, {3240, 2640, 1095, 255});
    cboPlusHour = placeList("cboPlusHour", hourOffsets(), this, {4440, 2600, 615, 315});
    placeLabel("lblCurrentHour", tr("Current Hour:"), this, {5520, 2640, 975, 255});
    txtCurrentHour
        = placeTextBox("txtCurrentHour", QStringLiteral("12"), this, {6600, 2600, 495, 285});
    QPalette buttonFace = txtCurrentHour->palette();
    buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
    txtCurrentHour->setPalette(buttonFace);
}

void FrmMonitorSrvCpu::buildTestBand()
{
    chkCpuLoadMon = place(new QCheckBox(tr("CPU Load Monitoring")), control::kChkCpuLoadMon, this,
        {240, 3120, 2055, 255});

    fraMonTime
        = place(new QGroupBox(tr("Monitoring Time")), "fraMonTime", this, {240, 3600, 3615, 855});
    placeLabel("lblMonStartTime", tr("Start:"), fraMonTime, {240, 420, 375, 255});
    cboCpuMonTimeStart
        = placeList(control::kCboCpuMonTimeStart, fullHours(0), fraMonTime, {720, 360, 795, 315});
    placeLabel("lblMonStopTime", tr("Stop:"), fraMonTime, {1920, 420, 495, 255});
    cboCpuMonTimeStop
        = placeList(control::kCboCpuMonTimeStop, fullHours(1), fraMonTime, {2400, 360, 795, 315});

    fraThreshold = place(new QGroupBox(tr("Threshold Value For One Hour")), "fraThreshold", this,
        {4080, 3120, 3495, 1335});
    placeLabel("lblCpuLoad", tr("Avg .CPU Load:"), fraThreshold, {240, 420, 1215, 255});
    txtCpuLoadThreshold = placeTextBox(control::kTxtCpuLoadThreshold,
        QString::number(AlarmSetting::kDefaultThreshold), fraThreshold, {1560, 360, 495, 285});
    placeLabel("lblPercent", QStringLiteral("%"), fraThreshold, {2160, 420, 255, 255});
    placeLabel("lblOccurrences", tr("Occurrences:"), fraThreshold, {240, 840, 975, 255});
    txtCpuOverThreshold = placeTextBox(control::kTxtCpuOverThreshold,
        QString::number(AlarmSetting::kDefaultOccurrences), fraThreshold, {1560, 840, 495, 285});

    placeLine("Line2", 240, 7560, 4680);
    cmdTest = place(new QPushButton(tr("Test")), "cmdTest", this, {3120, 4920, 1695, 375});
}

void FrmMonitorSrvCpu::fitFontToCaptions()
{
    // A wider substitute font would cut the captions off inside their fixed boxes; a slightly
    // smaller size reads better than a clipped word.
    QFont font = dialogFont();
    while (!captionsFit(QFontMetrics(font)) && font.pointSizeF() > SmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    setFont(font);
}

bool FrmMonitorSrvCpu::captionsFit(const QFontMetrics &metrics) const
{
    const QList<QLabel *> labels = findChildren<QLabel *>();
    return std::all_of(labels.cbegin(), labels.cend(), [&metrics](const QLabel *label) {
        return metrics.horizontalAdvance(label->text()) <= label->width();
    });
}

void FrmMonitorSrvCpu::arrangeTabOrder()
{
    const QList<QWidget *> order {cmdTest, txtOnlConnTimeout, txtOnlDbPort, txtOnlDbPass,
        txtOnlDbUser, txtOnlDatabase, txtOnlDbServer, cboOnlConnType, txtDate, txtCpuLoadThreshold,
        txtCpuOverThreshold, txtCurrentHour, cboPlusHour, chkCpuLoadMon, cboCpuMonTimeStart,
        cboCpuMonTimeStop};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FrmMonitorSrvCpu::connectSignals()
{
    connect(cboPlusHour, &QComboBox::currentIndexChanged, this, &FrmMonitorSrvCpu::selectHour);
    connect(cmdTest, &QPushButton::clicked, this, &FrmMonitorSrvCpu::runTest);
}

std::optional<qint16> FrmMonitorSrvCpu::hourOffset() const
{
    bool ok = false;
    const qint16 offset = cboPlusHour->currentText().toShort(&ok);
    if (!ok)
        return std::nullopt;
    return offset;
}

void FrmMonitorSrvCpu::showCurrentHour(qint16 offset)
{
    m_currentHour = static_cast<qint16>(WallClock::hoursBefore(m_clock(), offset).time().hour());
    txtCurrentHour->setText(QString::number(m_currentHour));
}

} // namespace tovik
