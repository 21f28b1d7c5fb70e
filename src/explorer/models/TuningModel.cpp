#include "explorer/models/TuningModel.h"

#include "sweep/LadderResult.h"

#include <QLocale>

namespace tovik {

namespace {

QString perDayText(double alarmsPerDay)
{
    // Tenths matter for a quiet setting, not for one that fires hundreds of times a day.
    return QLocale().toString(alarmsPerDay, 'f', alarmsPerDay < 100.0 ? 1 : 0);
}

} // namespace

TuningModel::TuningModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void TuningModel::setResult(const std::shared_ptr<const LadderResult> &result, AlarmChoice current)
{
    beginResetModel();
    m_result = result;
    m_current = current;
    rebuild();
    endResetModel();
}

void TuningModel::setCurrent(AlarmChoice current)
{
    const bool wider = !m_result.expired() && current.occurrences > m_surface.occurrencesUpTo();
    if (wider)
        beginResetModel();
    m_current = current;
    if (wider) {
        rebuild();
        endResetModel();
        return;
    }
    announceAllChanged();
}

void TuningModel::setBudget(double alarmsPerDay)
{
    m_budget = alarmsPerDay;
    announceAllChanged();
}

void TuningModel::rebuild()
{
    const std::shared_ptr<const LadderResult> result = m_result.lock();
    m_surface = result ? TuningSurface(*result,
                    std::max(TuningSurface::kDefaultOccurrencesUpTo, m_current.occurrences))
                       : TuningSurface();
    m_highest = 0.0;
    for (int step = 0; step < m_surface.ladder().size(); ++step) {
        for (qint16 o = 1; o <= m_surface.occurrencesUpTo(); ++o)
            m_highest = std::max(m_highest, m_surface.alarmsPerDay(step, o));
    }
}

void TuningModel::announceAllChanged()
{
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TuningModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_surface.ladder().size();
}

int TuningModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !hasSurface() ? 0 : m_surface.occurrencesUpTo();
}

bool TuningModel::isCurrent(int step, qint16 occurrences) const
{
    return m_surface.ladder().threshold(step) == m_current.threshold
        && occurrences == m_current.occurrences;
}

bool TuningModel::isRecommended(int step, qint16 occurrences) const
{
    return m_surface.recommendedStep(occurrences, m_budget) == step;
}

QVariant TuningModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !hasSurface())
        return {};
    const int step = index.row();
    const qint16 occurrences = occurrencesOf(index.column());
    const double perDay = m_surface.alarmsPerDay(step, occurrences);
    const bool neverFires = m_surface.neverFires(step, occurrences);
    switch (role) {
    case Qt::DisplayRole:
        return neverFires ? QStringLiteral("-") : perDayText(perDay);
    case Qt::ToolTipRole:
        return cellTip(step, occurrences);
    case AlarmsPerDayRole:
        return perDay;
    case ShareRole:
        return m_highest > 0.0 ? perDay / m_highest : 0.0;
    case CurrentRole:
        return isCurrent(step, occurrences);
    case OverBudgetRole:
        return perDay > m_budget;
    case RecommendedRole:
        return isRecommended(step, occurrences);
    case NeverFiresRole:
        return neverFires;
    case ThresholdRole:
        return m_surface.ladder().threshold(step);
    case OccurrencesRole:
        return occurrences;
    default:
        return {};
    }
}

QVariant TuningModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!hasSurface() || role != Qt::DisplayRole)
        return {};
    const QLocale locale;
    if (orientation == Qt::Vertical)
        return QStringLiteral("%1 %").arg(locale.toString(m_surface.ladder().threshold(section)));
    return locale.toString(occurrencesOf(section));
}

QString TuningModel::cellTip(int step, qint16 occurrences) const
{
    const QLocale locale;
    const SurfaceCell &cell = m_surface.cell(step, occurrences);
    if (m_surface.neverFires(step, occurrences)) {
        return tr("%1 %, %2 occurrences: never fires on this data, %3")
            .arg(locale.toString(m_surface.ladder().threshold(step)), locale.toString(occurrences),
                m_surface.neverFiresReason());
    }
    return tr("%1 %, %2 occurrences: %3 alarms on %4 devices in %5 hours, at most %6 devices in "
              "one hour")
        .arg(locale.toString(m_surface.ladder().threshold(step)), locale.toString(occurrences),
            locale.toString(cell.alarms), locale.toString(cell.devices),
            locale.toString(cell.hours), locale.toString(cell.peak));
}

} // namespace tovik
