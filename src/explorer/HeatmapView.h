#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

namespace tovik {

// Paints a heatmap cell: shaded by its count against the highest, framed when caught (in the
// gained colour when the baseline did not catch it, dashed in the lost colour when only the
// baseline did), outlined in the near-miss colour when one sample short, cross-hatched when the
// hour had too few samples to fire, greyed and hatched when its hour is not monitored.
class HeatmapDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    static QColor shade(qint32 count, qint32 highest);
    // From white for 0 to the hottest red for 1.
    static QColor shadeOf(qreal share);
    static const QColor kCaught;
    static const QColor kGained;
    static const QColor kLost;
    static const QColor kNearMiss;
    static const QColor kBlind;
    // The band under an hour's header that an incident's time overlaps.
    static const QColor kIncident;
    // The same, light enough for a chart's lines over it.
    static const QColor kIncidentBand;

private:
    static QPen framePen(const QModelIndex &index, bool caught);
};

// The hours' header of the heatmap: a band under the hours that an incident overlaps.
class HourHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    explicit HourHeaderView(QWidget *parent = nullptr);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
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
