#include "explorer/models/DeviceFilterModel.h"

#include "explorer/models/DeviceTableModel.h"

namespace tovik {

DeviceFilterModel::DeviceFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setFilterKeyColumn(DeviceTableModel::Name);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    setSortRole(DeviceTableModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void DeviceFilterModel::setNameFilter(const QString &text)
{
    setFilterFixedString(text);
}

bool DeviceFilterModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (const auto *table = qobject_cast<const DeviceTableModel *>(sourceModel())) {
        const std::optional<int> a = table->number(left.row(), left.column());
        const std::optional<int> b = table->number(right.row(), right.column());
        if (a && b)
            return *a < *b;
    }
    return QSortFilterProxyModel::lessThan(left, right);
}

} // namespace tovik
