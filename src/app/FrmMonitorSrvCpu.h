#pragma once

#include "host/RunHost.h"

#include <QDateTime>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QFontMetrics;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tovik {

// The one window of the program: every setting of a test run lives in its controls, and the
// run asks for them through RunHost at the moment it needs them.
class FrmMonitorSrvCpu : public QWidget, public RunHost
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // An empty clock reads the system clock; tests pass fixed times to cross midnight at will.
    explicit FrmMonitorSrvCpu(Clock clock = {}, QWidget *parent = nullptr);

    // Fills the defaults and fixes the first reference hour; runs once, after show().
    void startUp();

    qint16 currentHour() const { return m_currentHour; }

    bool monitorsCpuLoad() const override;
    std::optional<AlarmSetting> alarmSetting(QString *failure) const override;
    ConnectionFields connectionFields() const override;
    int loginTimeoutSeconds() const override;
    void setTestEnabled(bool enabled) override;
    void showWarning(const QString &text) override;
    void openInViewer(const QString &path) override;
    void processEvents() override;
    QDateTime currentDateTime() const override;
    quint32 tickCount() const override;
    QDateTime referenceTime() const override { return m_referenceTime; }
    QString appPath() const override { return m_appPath; }

private slots:
    void selectHour();
    void runTest();

private:
    template<class Widget>
    Widget *place(Widget *widget, const QString &name, QWidget *parent, const QRect &twips);
    void placeLabel(
        const QString &name, const QString &caption, QWidget *parent, const QRect &twips);
    QLineEdit *placeTextBox(
        const QString &name, const QString &text, QWidget *parent, const QRect &twips);
    QComboBox *placeList(
        const QString &name, const QStringList &entries, QWidget *parent, const QRect &twips);
    void placeLine(const QString &name, int left, int right, int top);
    QRect toPixels(const QRect &twips) const;

    void buildConnectionBand();
    void buildReferenceBand();
    void buildTestBand();
    void fitFontToCaptions();
    bool captionsFit(const QFontMetrics &metrics) const;
    void arrangeTabOrder();
    void connectSignals();

    std::optional<qint16> hourOffset() const;
    void showCurrentHour(qint16 offset);

    Clock m_clock;
    QString m_appPath;
    qint16 m_currentHour = 0;
    // A wall-clock value (see WallClock), so that it can name an hour the local clock skips.
    QDateTime m_referenceTime;

    QComboBox *cboOnlConnType = nullptr;
    QLineEdit *txtOnlDbServer = nullptr;
    QLineEdit *txtOnlDbPort = nullptr;
    QLineEdit *txtOnlDatabase = nullptr;
    QLineEdit *txtOnlConnTimeout = nullptr;
    QLineEdit *txtOnlDbUser = nullptr;
    QLineEdit *txtOnlDbPass = nullptr;

    QLineEdit *txtDate = nullptr;
    QComboBox *cboPlusHour = nullptr;
    QLineEdit *txtCurrentHour = nullptr;

    QCheckBox *chkCpuLoadMon = nullptr;
    QGroupBox *fraMonTime = nullptr;
    QComboBox *cboCpuMonTimeStart = nullptr;
    QComboBox *cboCpuMonTimeStop = nullptr;
    QGroupBox *fraThreshold = nullptr;
    QLineEdit *txtCpuLoadThreshold = nullptr;
    QLineEdit *txtCpuOverThreshold = nullptr;
    QPushButton *cmdTest = nullptr;
};

} // namespace tovik
