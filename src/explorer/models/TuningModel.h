#pragma once

#include "explorer/models/BaselineComparison.h"
#include "sweep/TuningSurface.h"

#include <QAbstractTableModel>
#include <memory>

namespace tovik {

// The tuning surface as a table: one row per threshold of the result's ladder, one column per
// occurrences value from 1 up to at least TuningSurface::kDefaultOccurrencesUpTo and the current
// value. A cell is the alarms per day that setting would have sent, or "-" for a setting that can
// never fire on the data; the current setting is framed, cells over the budget dimmed, and the
// lowest threshold within the budget marked recommended for each occurrences value.
class TuningModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        AlarmsPerDayRole = Qt::UserRole + 1,
        // The cell's alarms per day against the highest of the table, from 0 to 1, for shading.
        ShareRole,
        CurrentRole,
        OverBudgetRole,
        RecommendedRole,
        ThresholdRole,
        OccurrencesRole,
        NeverFiresRole,
    };

    static constexpr double kDefaultBudget = 10.0;

    explicit TuningModel(QObject *parent = nullptr);

    // The model does not keep result alive: a result replaced on screen is freed before the next
    // is drawn.
    void setResult(const std::shared_ptr<const LadderResult> &result, AlarmChoice current);
    // Widens the table when current.occurrences lies beyond its last column, while the result
    // lives.
    void setCurrent(AlarmChoice current);
    void setBudget(double alarmsPerDay);
    double budget() const { return m_budget; }
    const TuningSurface &surface() const { return m_surface; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static qint16 occurrencesOf(int column) { return qint16(column + 1); }
    bool isCurrent(int step, qint16 occurrences) const;
    bool isRecommended(int step, qint16 occurrences) const;
    QString cellTip(int step, qint16 occurrences) const;
    void rebuild();
    bool hasSurface() const { return !m_surface.ladder().isEmpty(); }
    void announceAllChanged();

    std::weak_ptr<const LadderResult> m_result;
    TuningSurface m_surface;
    AlarmChoice m_current;
    double m_budget = kDefaultBudget;
    double m_highest = 0.0;
};

} // namespace tovik
