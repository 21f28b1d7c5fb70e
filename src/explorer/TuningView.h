#pragma once

#include "explorer/models/BaselineComparison.h"

#include <QStyledItemDelegate>
#include <QTableView>

namespace tovik {

// Paints a tuning cell: shaded by its alarms per day, framed when it is the current setting,
// faded when over the budget or never firing, with a corner mark when recommended.
class TuningDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    static const QColor kRecommended;
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
