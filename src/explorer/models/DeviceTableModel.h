#pragma once

#include "sweep/SweepGrid.h"

#include <QAbstractTableModel>
#include <memory>
#include <optional>

namespace tovik {

// One row per device of a sweep: name, address, report, hours caught, near misses, blind hours
// and highest count. Sorting goes by SortRole, numbers as numbers.
class DeviceTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Name,
        Address,
        Report,
        HoursCaught,
        NearMisses,
        BlindHours,
        HighestCount,
        ColumnCount
    };
    enum Role { SortRole = Qt::UserRole + 1, DeviceRole };

    explicit DeviceTableModel(QObject *parent = nullptr);

    void setGrid(std::shared_ptr<const SweepGrid> grid, qint16 occurrences);
    void setOccurrences(qint16 occurrences);
    // A device's number in a column of numbers; nothing in a column of texts.
    std::optional<int> number(int device, int column) const;
    const SweepGrid *grid() const { return m_grid.get(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void countHours(qint16 occurrences);

    QVariant value(int device, int column) const;
    static QVariant columnTip(int column);

    std::shared_ptr<const SweepGrid> m_grid;
    // Per device, for the occurrences shown.
    QList<int> m_hoursCaught;
    QList<int> m_nearMisses;
    QList<int> m_blindHours;
};

} // namespace tovik
