#pragma once

#include "explorer/DeviceLoadWorker.h"

#include <QSplitter>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tovik {

class DeviceCountsChartView;
class DeviceFilterModel;
class DeviceLoadChartView;
class DeviceLoadController;
class DeviceTableModel;
class ExplorerController;
class ShownAnalysis;
class SweepGrid;

// The devices of the result on screen, filtered by name, beside the selected device's CPU load
// (read in the background) and its counts by hour.
class DevicePanel : public QSplitter
{
    Q_OBJECT

public:
    DevicePanel(
        const ExplorerController *controller, ShownAnalysis *analysis, QWidget *parent = nullptr);

    // A new result: no device selected, the samples of the one before dropped.
    void showNewResult(qint16 occurrences);
    // The result at another threshold; the device selected stays, where previous and the new
    // grid both have it.
    void showThreshold(const SweepGrid *previous, qint16 occurrences);
    void showOccurrences(qint16 occurrences);
    // The selected device's incidents banded anew, as after incidents were loaded.
    void showIncidents();
    // Selects device of the result on screen, as from the heatmap.
    void showDevice(int device);
    QList<QWidget *> tabOrder() const;
    // The charts, which need room for their axes.
    QList<QWidget *> charts() const;

signals:
    // The selected device's samples drawn, or why they could not be read.
    void loadShown();
    void loadFailed(const QString &description);

private:
    QWidget *buildList();
    QWidget *buildDeviceViews();
    void connectParts();
    void showDeviceOfTable(const QModelIndex &proxyIndex);
    void selectFirstListedDevice();
    void loadDevice(int device);
    void redrawLoad();
    void forgetLoad();
    void fitColumns();
    void showLoad(DeviceLoadWorker::LoadPointer load);
    void showLoadFailure(const QString &description);
    void setLoadStatus(const QString &text, bool failure);

    const ExplorerController *m_controller;
    ShownAnalysis *m_analysis;
    DeviceLoadController *m_loadController = nullptr;
    qint16 m_occurrences = 0;
    int m_shownDevice = -1;
    // The report and node whose samples are on screen or asked for, and the device's name.
    std::optional<std::pair<qint32, qint32>> m_loadWanted;
    QString m_loadName;

    DeviceTableModel *m_model = nullptr;
    DeviceFilterModel *m_filterModel = nullptr;
    QLineEdit *m_filter = nullptr;
    QTableView *m_table = nullptr;
    DeviceLoadChartView *m_loadChart = nullptr;
    QLabel *m_loadStatus = nullptr;
    QPushButton *m_wholeRange = nullptr;
    DeviceCountsChartView *m_countsChart = nullptr;
};

} // namespace tovik
