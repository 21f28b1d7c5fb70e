#include "explorer/models/DeviceTableModel.h"

#include "explorer/ExplorerText.h"

namespace tovik {

DeviceTableModel::DeviceTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void DeviceTableModel::setGrid(std::shared_ptr<const SweepGrid> grid, qint16 occurrences)
{
    // Counted inside the reset, so that a sorting proxy sorts the new rows once.
    beginResetModel();
    m_grid = std::move(grid);
    countHours(occurrences);
    endResetModel();
}

void DeviceTableModel::setOccurrences(qint16 occurrences)
{
    if (!m_grid)
        return;
    countHours(occurrences);
    if (rowCount() > 0)
        emit dataChanged(index(0, HoursCaught), index(rowCount() - 1, BlindHours));
}

void DeviceTableModel::countHours(qint16 occurrences)
{
    const int devices = m_grid ? m_grid->deviceCount() : 0;
    m_hoursCaught.resize(devices);
    m_nearMisses.resize(devices);
    m_blindHours.resize(devices);
    for (int i = 0; i < devices; ++i) {
        m_hoursCaught[i] = m_grid->hoursCaught(i, occurrences);
        m_nearMisses[i] = m_grid->nearMisses(i, occurrences);
        m_blindHours[i] = m_grid->blindHours(i, occurrences);
    }
}

int DeviceTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_grid ? 0 : m_grid->deviceCount();
}

int DeviceTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

std::optional<int> DeviceTableModel::number(int device, int column) const
{
    if (!m_grid)
        return std::nullopt;
    switch (column) {
    case HoursCaught:
        return m_hoursCaught.value(device);
    case NearMisses:
        return m_nearMisses.value(device);
    case BlindHours:
        return m_blindHours.value(device);
    case HighestCount:
        return m_grid->device(device).highestCount;
    default:
        return std::nullopt;
    }
}

QVariant DeviceTableModel::value(int device, int column) const
{
    if (const std::optional<int> n = number(device, column))
        return *n;
    switch (column) {
    case Name:
        return m_grid->deviceName(device);
    case Address:
        return m_grid->result().node(m_grid->device(device).nodeId).address;
    case Report:
        return m_grid->reportName(device);
    default:
        return {};
    }
}

QVariant DeviceTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_grid)
        return {};
    const QVariant v = value(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
        return v.typeId() == QMetaType::Int ? QVariant(ExplorerText::number(v.toInt())) : v;
    case SortRole:
        return v;
    case DeviceRole:
        return index.row();
    case Qt::ToolTipRole:
        return index.column() == Report
            ? QVariant(tr("Report id %1").arg(m_grid->reportId(index.row())))
            : QVariant();
    case Qt::TextAlignmentRole:
        return v.typeId() == QMetaType::Int ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                            : QVariant();
    default:
        return {};
    }
}

QVariant DeviceTableModel::columnTip(int column)
{
    switch (column) {
    case NearMisses:
        return tr("Monitored hours one sample at or over the threshold short of caught");
    case BlindHours:
        return tr("Monitored hours with fewer samples than the occurrences, in which the alarm "
                  "could never fire");
    default:
        return {};
    }
}

QVariant DeviceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
        return columnTip(section);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList captions {tr("Name"), tr("Address"), tr("Report"), tr("Hours caught"),
        tr("Near misses"), tr("Blind hours"), tr("Highest count")};
    return captions.value(section);
}

} // namespace tovik
