#pragma once

#include <QSortFilterProxyModel>

namespace tovik {

// The device table filtered by a part of the name, in any case, and sorted by the numbers
// themselves rather than their locale texts.
class DeviceFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit DeviceFilterModel(QObject *parent = nullptr);

    void setNameFilter(const QString &text);
};

} // namespace tovik
