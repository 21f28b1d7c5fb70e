#pragma once

#include "sweep/AlarmChoice.h"

#include <QWidget>
#include <memory>

class QDoubleSpinBox;

namespace tovik {

struct LadderResult;
class TuningModel;
class TuningView;

// The tuning table with its budget of alarms per day, which the table judges its cells by and
// the report carries.
class TuningPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TuningPanel(QWidget *parent = nullptr);

    TuningModel *model() const { return m_model; }
    TuningView *view() const { return m_view; }
    QDoubleSpinBox *budgetBox() const { return m_budget; }
    // The surface of result with current framed; none for a range without a single sample.
    void showResult(const std::shared_ptr<const LadderResult> &result, AlarmChoice current);
    double budget() const;
    void setBudget(double budget);

private:
    TuningModel *m_model = nullptr;
    TuningView *m_view = nullptr;
    QDoubleSpinBox *m_budget = nullptr;
};

} // namespace tovik
