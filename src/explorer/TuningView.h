#pragma once

#include "explorer/models/BaselineComparison.h"

#include <QStyledItemDelegate>
#include <QTableView>

namespace tovik {

// Paints a tuning cell: shaded by its alarms per day or its incidents caught, framed when it is the
// current setting, faded when over the budget or never firing, with a corner mark when
// recommended and another when it is the best setting.
class TuningDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    static const QColor kRecommended;
    static const QColor kBest;
    // From white for 0 to full green for 1: incidents caught.
    static QColor caughtShadeOf(qreal share);

private:
    static void drawCorner(
        QPainter *painter, const QRect &cell, Qt::Corner corner, const QColor &colour);
};

// The tuning table: thresholds down, occurrences across; a click chooses the cell's setting.
class TuningView : public QTableView
{
    Q_OBJECT

public:
    explicit TuningView(QWidget *parent = nullptr);

signals:
    void settingChosen(tovik::AlarmChoice setting);

private:
    void choose(const QModelIndex &index);
};

} // namespace tovik
