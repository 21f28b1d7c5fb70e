#include "explorer/models/HeatmapModel.h"

#include "explorer/ExplorerText.h"
#include "explorer/IncidentSpans.h"

namespace tovik {

HeatmapModel::HeatmapModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void HeatmapModel::setGrid(std::shared_ptr<const SweepGrid> grid, qint16 occurrences)
{
    beginResetModel();
    m_grid = std::move(grid);
    m_occurrences = occurrences;
    m_order = m_grid ? m_grid->byHoursCaught(occurrences) : QList<int>();
    placeIncidents();
    endResetModel();
}

void HeatmapModel::setIncidents(QList<Incident> incidents)
{
    m_incidents = std::move(incidents);
    placeIncidents();
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void HeatmapModel::placeIncidents()
{
    m_incidentsByHour
        = m_grid ? IncidentSpans::byHour(m_incidents, m_grid->result().range) : QList<QList<int>>();
}

void HeatmapModel::setOccurrences(qint16 occurrences)
{
    if (!m_grid)
        return;
    // The rows are the same devices in another order, which views follow through a layout change.
    emit layoutAboutToBeChanged();
    m_occurrences = occurrences;
    m_order = m_grid->byHoursCaught(occurrences);
    emit layoutChanged();
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void HeatmapModel::setComparison(std::shared_ptr<const BaselineComparison> comparison)
{
    m_comparison = std::move(comparison);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {ChangeRole});
}

BaselineComparison::Change HeatmapModel::change(int device, int hour) const
{
    if (!m_comparison)
        return BaselineComparison::Change::None;
    const GridDevice &shown = m_grid->device(device);
    return m_comparison->change(shown.reportIndex, shown.nodeId, quint16(hour));
}

int HeatmapModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_grid ? 0 : int(m_order.size());
}

int HeatmapModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_grid ? 0 : m_grid->hourCount();
}

QVariant HeatmapModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_grid)
        return {};
    const int device = deviceAt(index.row());
    const int hour = index.column();
    const qint32 count = m_grid->count(device, hour);
    switch (role) {
    case Qt::DisplayRole:
        return count > 0 ? ExplorerText::number(count) : QString();
    case CountRole:
        return count;
    case CaughtRole:
        return m_grid->isCaught(device, hour, m_occurrences);
    case MonitoredRole:
        return m_grid->result().monitored.value(hour);
    case DeviceRole:
        return device;
    case ChangeRole:
        return int(change(device, hour));
    case SamplesRole:
        return m_grid->samples(device, hour);
    case NearMissRole:
        return m_grid->isNearMiss(device, hour, m_occurrences);
    case BlindRole:
        return m_grid->isBlind(device, hour, m_occurrences);
    case Qt::ToolTipRole:
        return ExplorerText::cellTip(*m_grid, device, hour, m_occurrences);
    default:
        return {};
    }
}

QVariant HeatmapModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_grid)
        return {};
    if (orientation == Qt::Horizontal)
        return hourHeader(section, role);
    if (role == Qt::DisplayRole)
        return m_grid->deviceName(deviceAt(section));
    if (role == Qt::ToolTipRole)
        return m_grid->nodeInReport(deviceAt(section));
    return {};
}

QVariant HeatmapModel::hourHeader(int hour, int role) const
{
    const QDateTime time = m_grid->result().range.hour(hour);
    if (role == Qt::DisplayRole)
        return QStringLiteral("%1").arg(time.time().hour(), 2, 10, QLatin1Char('0'));
    const QList<int> incidents = m_incidentsByHour.value(hour);
    if (role == IncidentsRole)
        return int(incidents.size());
    if (role != Qt::ToolTipRole)
        return {};
    QString tip = ExplorerText::hour(time);
    for (const int incident : incidents)
        tip += u'\n' + IncidentSpans::describe(m_incidents.at(incident));
    return tip;
}

} // namespace tovik
