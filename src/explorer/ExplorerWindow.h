#pragma once

#include "explorer/models/Baseline.h"
#include "sweep/Incident.h"
#include "sweep/SweepChoice.h"

#include <QMainWindow>

class QAction;
class QDockWidget;
class QLabel;
class QPushButton;
class QScrollArea;

namespace tovik {

class CaughtChartView;
class ConnectionForm;
class DevicePanel;
class ExportActions;
class ExplorerController;
class HeatmapModel;
class HeatmapView;
class NoiseView;
class ShownAnalysis;
class StatusLine;
class SweepForm;
class SweepGrid;
class TuningPanel;

// The threshold explorer's window: its controls ask the controller for sweeps and its views show
// when and where the alarm setting would have fired. Only a threshold off the result's ladder,
// the range and the monitoring time need a new query; the occurrences and the thresholds of the
// ladder are answered from the result on screen.
class ExplorerWindow : public QMainWindow
{
    Q_OBJECT

public:
    // With a settings path, the settings (never the password) are remembered there at each run
    // and on close.
    explicit ExplorerWindow(const QString &settingsPath = {}, QWidget *parent = nullptr);
    ~ExplorerWindow() override;

    // Sizes and places the window from its screen's available area, leaving room for the frame.
    void fitToScreen();
    void applySettings(const SweepChoice &settings);
    SweepChoice settings() const;

    // The result on screen, and the settings it was swept with; nothing before the first.
    const SweepGrid *shownGrid() const;
    const LadderResult *shownLadder() const;
    SweepSettings shownSettings() const;
    bool isRunning() const;
    // Whether a change of the settings waits to query.
    bool isRequeryWaiting() const;
    QString statusText() const;
    // The sweep's time on its worker for the result on screen.
    qint64 lastSweepMs() const;

    // The incidents of an incidents file, scored against every result from now on and drawn on
    // the views; a refused file changes nothing and says why in the status line.
    bool loadIncidents(const QString &path);
    // Incidents read elsewhere, as from the command line.
    void setIncidents(const QString &path, QList<Incident> incidents);

    bool exportCsv(const QString &path, QString *failure) const;
    bool exportChart(const QString &path, QString *failure) const;
    // The report to share of the result on screen: HTML for a name ending in .html or .htm,
    // else PDF.
    bool exportReport(const QString &path, QString *failure) const;

public slots:
    void run();
    void cancel();

signals:
    void resultShown();
    void runFailed(const QString &description);
    // The selected device's samples drawn, or why they could not be read.
    void deviceLoadShown();
    void deviceLoadFailed(const QString &description);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildSettingsPanel();
    QWidget *buildViews();
    QDockWidget *addPanel(
        const char *name, const QString &title, QWidget *content, Qt::DockWidgetArea area);
    void buildDocks();
    void arrangePanels(const QSize &size);
    int settingsWidth() const;
    void orientDevicePanel();
    QWidget *buildCompareRow();
    void buildMenus();
    void arrangeTabOrder();
    void connectControls();

    void connectController();
    void showResult();
    void showThreshold();
    void drawShown();
    // The summary of the result on screen, in the status line.
    void showSummary();
    void showFailure(const QString &description, bool cancelled);
    void updateButtons();
    qint16 occurrences() const;
    AlarmChoice shownChoice() const;
    void redrawForOccurrences();
    // The tuning table and the noise view of the analysis made last.
    void showAnalysis();
    // The noise view and the hold-out's line of the setting on screen.
    void showSettingViews();
    // The setting on screen, in the analysis, the tuning table and the noise view.
    void showCurrentSetting();
    void chooseIncidentsFile();
    // The incidents on the views, and their count in the status line.
    void showIncidents();
    void keepBaseline();
    void compareWithBaseline();
    void showHeatmapLegend();
    void showDeviceOfHeatmap(const QModelIndex &index);
    // The budget and the panels' arrangement of the start before.
    void restoreRemembered();
    void remember() const;

    QString m_settingsPath;
    ExplorerController *m_controller = nullptr;
    ShownAnalysis *m_analysis = nullptr;
    Baseline m_baseline;

    ConnectionForm *m_connection = nullptr;
    QDockWidget *m_settingsDock = nullptr;
    QDockWidget *m_devicesDock = nullptr;
    QDockWidget *m_caughtDock = nullptr;
    DevicePanel *m_devicePanel = nullptr;
    QScrollArea *m_settingsScroll = nullptr;
    bool m_arrangementRestored = false;

    SweepForm *m_sweep = nullptr;

    StatusLine *m_statusLine = nullptr;

    HeatmapModel *m_heatmapModel = nullptr;
    HeatmapView *m_heatmap = nullptr;
    CaughtChartView *m_caughtChart = nullptr;
    TuningPanel *m_tuning = nullptr;
    NoiseView *m_noise = nullptr;
    QPushButton *m_keepBaseline = nullptr;
    QLabel *m_comparison = nullptr;
    QLabel *m_heatmapLegend = nullptr;

    QAction *m_runAction = nullptr;
    QAction *m_cancelAction = nullptr;
    ExportActions *m_exports = nullptr;
};

} // namespace tovik
