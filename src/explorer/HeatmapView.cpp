#include "explorer/HeatmapView.h"

#include "explorer/models/BaselineComparison.h"
#include "explorer/models/HeatmapModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>

namespace tovik {

namespace {

const QColor kCold(255, 255, 255);
const QColor kHot(214, 39, 40);

} // namespace

const QColor HeatmapDelegate::kCaught(40, 40, 40);
const QColor HeatmapDelegate::kGained(0, 150, 60);
const QColor HeatmapDelegate::kLost(31, 90, 200);
const QColor HeatmapDelegate::kNearMiss(230, 130, 0);
const QColor HeatmapDelegate::kBlind(110, 110, 110);
const QColor HeatmapDelegate::kIncident(130, 40, 170);
const QColor HeatmapDelegate::kIncidentBand(130, 40, 170, 55);

QPen HeatmapDelegate::framePen(const QModelIndex &index, bool caught)
{
    switch (BaselineComparison::Change(index.data(HeatmapModel::ChangeRole).toInt())) {
    case BaselineComparison::Change::Gained:
        return QPen(kGained, 3);
    case BaselineComparison::Change::Lost:
        return QPen(kLost, 2, Qt::DashLine);
    case BaselineComparison::Change::None:
        break;
    }
    if (caught)
        return QPen(kCaught, 2);
    if (index.data(HeatmapModel::NearMissRole).toBool())
        return QPen(kNearMiss, 2);
    return QPen(Qt::NoPen);
}

QColor HeatmapDelegate::shade(qint32 count, qint32 highest)
{
    if (count <= 0 || highest <= 0)
        return kCold;
    // A light tint already for one sample, so that any count stands out from an empty cell.
    return shadeOf(0.15 + 0.85 * qreal(count) / highest);
}

QColor HeatmapDelegate::shadeOf(qreal share)
{
    return QColor::fromRgbF(kCold.redF() + (kHot.redF() - kCold.redF()) * share,
        kCold.greenF() + (kHot.greenF() - kCold.greenF()) * share,
        kCold.blueF() + (kHot.blueF() - kCold.blueF()) * share);
}

void HeatmapDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *model = qobject_cast<const HeatmapModel *>(index.model());
    const QRect cell = option.rect;
    painter->save();
    if (!index.data(HeatmapModel::MonitoredRole).toBool()) {
        painter->fillRect(cell, option.palette.color(QPalette::Disabled, QPalette::Window));
        painter->fillRect(cell, QBrush(option.palette.color(QPalette::Mid), Qt::BDiagPattern));
        painter->restore();
        return;
    }
    const qint32 count = index.data(HeatmapModel::CountRole).toInt();
    const QColor fill = shade(count, model && model->grid() ? model->grid()->highestCount() : 0);
    painter->fillRect(cell, fill);
    if (index.data(HeatmapModel::BlindRole).toBool())
        painter->fillRect(cell, QBrush(kBlind, Qt::DiagCrossPattern));
    const bool caught = index.data(HeatmapModel::CaughtRole).toBool();
    const QPen frame = framePen(index, caught);
    if (frame.style() != Qt::NoPen) {
        painter->setPen(frame);
        painter->drawRect(cell.adjusted(1, 1, -1, -1));
    }
    if (count > 0) {
        QFont font = option.font;
        font.setBold(caught);
        painter->setFont(font);
        painter->setPen(fill.lightnessF() < 0.55 ? Qt::white : Qt::black);
        painter->drawText(cell, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    }
    if (option.state & QStyle::State_Selected) {
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2, Qt::DotLine));
        painter->drawRect(cell.adjusted(1, 1, -1, -1));
    }
    painter->restore();
}

HourHeaderView::HourHeaderView(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("hourHeader"));
    setSectionsClickable(true);
    setHighlightSections(true);
}

void HourHeaderView::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (!model()
        || model()->headerData(logicalIndex, Qt::Horizontal, HeatmapModel::IncidentsRole).toInt()
            == 0)
        return;
    // The style leaves the painter clipped to what the section's clip was before it, which may be
    // nothing at all.
    painter->setClipRect(rect);
    // A quarter of the header's height, at its foot, so that the hour's caption stays readable.
    const int height = std::max(3, rect.height() / 4);
    painter->fillRect(QRect(rect.left(), rect.bottom() - height + 1, rect.width(), height),
        HeatmapDelegate::kIncident);
}

HeatmapView::HeatmapView(QWidget *parent)
    : QTableView(parent)
{
    setObjectName(QStringLiteral("heatmap"));
    setHorizontalHeader(new HourHeaderView(this));
    setItemDelegate(new HeatmapDelegate(this));
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sizeSections();
}

void HeatmapView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    sizeSections();
}

void HeatmapView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        sizeSections();
}

void HeatmapView::sizeSections()
{
    const QFontMetrics metrics(font());
    // A count of two digits, bold, in its frame: a laptop's screen shows a day of hours.
    horizontalHeader()->setDefaultSectionSize(metrics.horizontalAdvance(QStringLiteral("000")));
    horizontalHeader()->setMinimumSectionSize(metrics.horizontalAdvance(QStringLiteral("00")));
    verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    verticalHeader()->setMinimumSectionSize(metrics.height());
}

} // namespace tovik
