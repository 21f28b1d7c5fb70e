#include "explorer/TuningView.h"

#include "explorer/HeatmapView.h"
#include "explorer/models/TuningModel.h"

#include <QHeaderView>
#include <QPainter>

namespace tovik {

namespace {

const QColor kCurrentFrame(40, 40, 40);
constexpr qreal kOverBudgetOpacity = 0.3;

} // namespace

const QColor TuningDelegate::kRecommended(0, 150, 60);
const QColor TuningDelegate::kBest(31, 90, 200);

QColor TuningDelegate::caughtShadeOf(qreal share)
{
    const QColor full(0, 140, 70);
    return QColor::fromRgbF(1.0 + (full.redF() - 1.0) * share, 1.0 + (full.greenF() - 1.0) * share,
        1.0 + (full.blueF() - 1.0) * share);
}

// A triangle in the cell's corner, half its height on each side.
void TuningDelegate::drawCorner(
    QPainter *painter, const QRect &cell, Qt::Corner corner, const QColor &colour)
{
    const int size = cell.height() / 2;
    const bool left = corner == Qt::TopLeftCorner;
    const QPoint tip = left ? cell.topLeft() : cell.topRight();
    const int inward = left ? size : -size;
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    painter->drawPolygon(QPolygon({tip, tip + QPoint(inward, 0), tip + QPoint(0, size)}));
}

void TuningDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QRect cell = option.rect;
    painter->save();
    // A setting that never fires is no choice either, however few its alarms.
    const bool overBudget = index.data(TuningModel::OverBudgetRole).toBool()
        || index.data(TuningModel::NeverFiresRole).toBool();
    if (overBudget)
        painter->setOpacity(kOverBudgetOpacity);
    const auto *model = qobject_cast<const TuningModel *>(index.model());
    const qreal share = index.data(TuningModel::ShareRole).toReal();
    const QColor fill = model && model->shading() == TuningModel::Shading::IncidentsCaught
        ? caughtShadeOf(share)
        : HeatmapDelegate::shadeOf(share);
    painter->fillRect(cell, fill);
    // A faded fill is light whatever its shade: dark text stays readable on it.
    painter->setPen(!overBudget && fill.lightnessF() < 0.55 ? Qt::white : Qt::black);
    painter->drawText(cell, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    painter->setOpacity(1.0);
    if (index.data(TuningModel::RecommendedRole).toBool())
        drawCorner(painter, cell, Qt::TopLeftCorner, kRecommended);
    if (index.data(TuningModel::BestRole).toBool())
        drawCorner(painter, cell, Qt::TopRightCorner, kBest);
    if (index.data(TuningModel::CurrentRole).toBool()) {
        painter->setPen(QPen(kCurrentFrame, 3));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

TuningView::TuningView(QWidget *parent)
    : QTableView(parent)
{
    setObjectName(QStringLiteral("tuning"));
    setItemDelegate(new TuningDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    const QFontMetrics metrics(font());
    horizontalHeader()->setDefaultSectionSize(metrics.horizontalAdvance(QStringLiteral("00000.0")));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(this, &QAbstractItemView::clicked, this, &TuningView::choose);
}

void TuningView::choose(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    emit settingChosen({qint16(index.data(TuningModel::ThresholdRole).toInt()),
        qint16(index.data(TuningModel::OccurrencesRole).toInt())});
}

} // namespace tovik
