#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

namespace tovik {

// Paints a heatmap cell: shaded by its count against the highest, framed when caught, greyed and
// hatched when its hour is not monitored.
class HeatmapDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    static QColor shade(qint32 count, qint32 highest);
};

// The heatmap's table: narrow hour columns, device names as row captions, sized from the font so
// that it scales with the screen.
class HeatmapView : public QTableView
{
    Q_OBJECT

public:
    explicit HeatmapView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void sizeSections();
};

} // namespace tovik
