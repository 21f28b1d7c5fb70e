#include "explorer/models/TuningModel.h"

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

void TuningModel::setAnalysis(std::shared_ptr<const TuneAnalysis> analysis, AlarmChoice current)
{
    beginResetModel();
    m_analysis = std::move(analysis);
    m_current = current;
    m_best = m_analysis ? m_analysis->best() : std::nullopt;
    m_highest = 0.0;
    for (int step = 0; hasSurface() && step < surface().ladder().size(); ++step) {
        for (qint16 o = 1; o <= surface().occurrencesUpTo(); ++o)
            m_highest = std::max(m_highest, surface().alarmsPerDay(step, o));
    }
    endResetModel();
}

void TuningModel::setCurrent(AlarmChoice current)
{
    m_current = current;
    announceAllChanged();
}

void TuningModel::setBudget(double alarmsPerDay)
{
    m_budget = alarmsPerDay;
    announceAllChanged();
}

void TuningModel::setShading(Shading shading)
{
    m_shading = shading;
    announceAllChanged();
}

TuningModel::Shading TuningModel::shading() const
{
    return hasIncidents() ? m_shading : Shading::AlarmsPerDay;
}

bool TuningModel::hasIncidents() const
{
    return m_analysis && m_analysis->incidentSurface();
}

void TuningModel::announceAllChanged()
{
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TuningModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !hasSurface() ? 0 : surface().ladder().size();
}

int TuningModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !hasSurface() ? 0 : surface().occurrencesUpTo();
}

bool TuningModel::isCurrent(int step, qint16 occurrences) const
{
    return surface().ladder().threshold(step) == m_current.threshold
        && occurrences == m_current.occurrences;
}

bool TuningModel::isRecommended(int step, qint16 occurrences) const
{
    return surface().recommendedStep(occurrences, m_budget) == step;
}

bool TuningModel::isBest(int step, qint16 occurrences) const
{
    return m_best == TuneSetting {step, occurrences};
}

QString TuningModel::cellText(int step, qint16 occurrences) const
{
    if (shading() == Shading::IncidentsCaught) {
        const IncidentSurface &incidents = *m_analysis->incidentSurface();
        return QStringLiteral("%1/%2").arg(
            QLocale().toString(incidents.cell(step, occurrences).incidentsCaught),
            QLocale().toString(incidents.incidentCount()));
    }
    return surface().neverFires(step, occurrences)
        ? QStringLiteral("-")
        : perDayText(surface().alarmsPerDay(step, occurrences));
}

// More incidents caught shade darker, as more alarms a day do: the eye finds the cells that
// matter.
double TuningModel::shareOf(int step, qint16 occurrences) const
{
    if (shading() == Shading::IncidentsCaught) {
        const IncidentSurface &incidents = *m_analysis->incidentSurface();
        return incidents.incidentCount() > 0
            ? double(incidents.cell(step, occurrences).incidentsCaught) / incidents.incidentCount()
            : 0.0;
    }
    return m_highest > 0.0 ? surface().alarmsPerDay(step, occurrences) / m_highest : 0.0;
}

QVariant TuningModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !hasSurface())
        return {};
    const int step = index.row();
    const qint16 occurrences = occurrencesOf(index.column());
    const double perDay = surface().alarmsPerDay(step, occurrences);
    switch (role) {
    case Qt::DisplayRole:
        return cellText(step, occurrences);
    case Qt::ToolTipRole:
        return QString(cellTip(step, occurrences) + incidentsTip(step, occurrences));
    case AlarmsPerDayRole:
        return perDay;
    case ShareRole:
        return shareOf(step, occurrences);
    case CurrentRole:
        return isCurrent(step, occurrences);
    case OverBudgetRole:
        return perDay > m_budget;
    case RecommendedRole:
        return isRecommended(step, occurrences);
    case NeverFiresRole:
        return surface().neverFires(step, occurrences);
    case IncidentsCaughtRole:
        return hasIncidents()
            ? QVariant(m_analysis->incidentSurface()->cell(step, occurrences).incidentsCaught)
            : QVariant();
    case BestRole:
        return isBest(step, occurrences);
    case ThresholdRole:
        return surface().ladder().threshold(step);
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
        return QStringLiteral("%1 %").arg(locale.toString(surface().ladder().threshold(section)));
    return locale.toString(occurrencesOf(section));
}

QString TuningModel::cellTip(int step, qint16 occurrences) const
{
    const QLocale locale;
    const SurfaceCell &cell = surface().cell(step, occurrences);
    if (surface().neverFires(step, occurrences)) {
        return tr("%1 %, %2 occurrences: never fires on this data, %3")
            .arg(locale.toString(surface().ladder().threshold(step)), locale.toString(occurrences),
                surface().neverFiresReason());
    }
    return tr("%1 %, %2 occurrences: %3 alarms on %4 devices in %5 hours, at most %6 devices in "
              "one hour")
        .arg(locale.toString(surface().ladder().threshold(step)), locale.toString(occurrences),
            locale.toString(cell.alarms), locale.toString(cell.devices),
            locale.toString(cell.hours), locale.toString(cell.peak));
}

// "; 3 of 5 incidents caught, 12 alarms for no incident" and, with the best mark, why.
QString TuningModel::incidentsTip(int step, qint16 occurrences) const
{
    if (!hasIncidents())
        return {};
    const QLocale locale;
    const IncidentSurface &incidents = *m_analysis->incidentSurface();
    const IncidentCell &cell = incidents.cell(step, occurrences);
    QString tip
        = tr("; %1 of %2 incidents caught, %3 alarms for no incident")
              .arg(locale.toString(cell.incidentsCaught),
                  locale.toString(incidents.incidentCount()), locale.toString(cell.noiseAlarms));
    if (isBest(step, occurrences))
        tip += tr("; the best setting within the budget: the most incidents caught, then the "
                  "fewest alarms");
    return tip;
}

} // namespace tovik
