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

} // namespace tovik
