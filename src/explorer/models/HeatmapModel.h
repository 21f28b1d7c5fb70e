#pragma once

#include "explorer/models/BaselineComparison.h"
#include "sweep/Incident.h"
#include "sweep/SweepGrid.h"

#include <QAbstractTableModel>
#include <memory>

namespace tovik {

// Devices by hours: one row per device, the most often caught first, one column per hour of the
// range. A cell's count is its samples at or over the threshold; near misses and blind hours are
// told apart from the caught hours.
class HeatmapModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        CountRole = Qt::UserRole + 1,
        CaughtRole,
        MonitoredRole,
        DeviceRole,
        // A BaselineComparison::Change as int: None without a comparison.
        ChangeRole,
        // The hour's samples at any load.
        SamplesRole,
        // One sample at or over the threshold short of caught.
        NearMissRole,
        // Too few samples in the hour for the alarm to fire.
        BlindRole,
        // Of an hour's header: the incidents whose time overlaps it.
        IncidentsRole,
    };

    explicit HeatmapModel(QObject *parent = nullptr);

    void setGrid(std::shared_ptr<const SweepGrid> grid, qint16 occurrences);
    // Marks and orders the devices anew for another occurrences value, from the same result.
    void setOccurrences(qint16 occurrences);
    qint16 occurrences() const { return m_occurrences; }
    // Marks the device-hours the setting on screen gains and loses against a baseline; nothing
    // clears the marks.
    void setComparison(std::shared_ptr<const BaselineComparison> comparison);
    // Marks the hours the incidents' times overlap in the hours' headers.
    void setIncidents(QList<Incident> incidents);
    const SweepGrid *grid() const { return m_grid.get(); }
    // The grid's device index shown in a row.
    int deviceAt(int row) const { return m_order.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant hourHeader(int hour, int role) const;
    BaselineComparison::Change change(int device, int hour) const;
    void placeIncidents();

    std::shared_ptr<const SweepGrid> m_grid;
    qint16 m_occurrences = 1;
    QList<int> m_order;
    std::shared_ptr<const BaselineComparison> m_comparison;
    QList<Incident> m_incidents;
    // Per hour of the grid's range, the incidents overlapping it.
    QList<QList<int>> m_incidentsByHour;
};

} // namespace tovik
