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

protected:
    // Numbers straight from the table: ten thousand devices sorted through their variants cost a
    // redraw tens of milliseconds.
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};

} // namespace tovik
