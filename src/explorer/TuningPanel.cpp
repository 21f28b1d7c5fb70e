#include "explorer/TuningPanel.h"

#include "explorer/FormParts.h"
#include "explorer/LegendText.h"
#include "explorer/TuningView.h"
#include "explorer/models/TuningModel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tovik {

TuningPanel::TuningPanel(QWidget *parent)
    : QWidget(parent)
    , m_model(new TuningModel(this))
{
    m_view = new TuningView;
    m_view->setModel(m_model);
    m_budget = new QDoubleSpinBox;
    m_budget->setObjectName(QStringLiteral("budget"));
    m_budget->setRange(0.0, 1e6);
    m_budget->setDecimals(1);
    m_budget->setSuffix(tr(" alarms per day"));
    m_budget->setValue(m_model->budget());
    connect(m_budget, &QDoubleSpinBox::valueChanged, m_model, &TuningModel::setBudget);
    m_shading = new QComboBox;
    m_shading->setObjectName(QStringLiteral("shading"));
    m_shading->addItem(tr("alarms a day"), int(TuningModel::Shading::AlarmsPerDay));
    m_shading->addItem(tr("incidents caught"), int(TuningModel::Shading::IncidentsCaught));
    m_shading->setToolTip(tr("What the cells show and are shaded by; incidents caught once an "
                             "incidents file is loaded (File, Load incidents)"));
    connect(m_shading, &QComboBox::currentIndexChanged, this, [this] {
        m_model->setShading(TuningModel::Shading(m_shading->currentData().toInt()));
        showLegend();
    });
    auto *budgetRow = new QHBoxLayout;
    budgetRow->addWidget(FormParts::buddyLabel(tr("Bud&get:"), m_budget));
    budgetRow->addWidget(m_budget);
    budgetRow->addWidget(FormParts::buddyLabel(tr("Sh&ade by:"), m_shading));
    budgetRow->addWidget(m_shading);
    m_legend = new QLabel;
    m_legend->setObjectName(QStringLiteral("tuningLegend"));
    m_legend->setTextFormat(Qt::RichText);
    m_legend->setWordWrap(true);
    budgetRow->addWidget(m_legend, 1);
    m_holdOut = FormParts::spinBox("holdOutDays", 0, 30, tr(" days"));
    m_holdOut->setSpecialValueText(tr("none"));
    m_holdOut->setToolTip(tr("Choose on the hours before the last days, and see how the choice "
                             "does on those days alone"));
    m_holdOutText = new QLabel;
    m_holdOutText->setObjectName(QStringLiteral("holdOut"));
    m_holdOutText->setWordWrap(true);
    m_holdOutText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *holdOutRow = new QHBoxLayout;
    holdOutRow->addWidget(FormParts::buddyLabel(tr("Hold o&ut:"), m_holdOut));
    holdOutRow->addWidget(m_holdOut);
    holdOutRow->addWidget(m_holdOutText, 1);
    auto *column = new QVBoxLayout(this);
    column->addLayout(budgetRow);
    column->addWidget(m_view, 1);
    column->addLayout(holdOutRow);
    showAnalysis(nullptr, {});
}

void TuningPanel::showAnalysis(std::shared_ptr<const TuneAnalysis> analysis, AlarmChoice current)
{
    m_model->setAnalysis(std::move(analysis), current);
    m_shading->setEnabled(m_model->hasIncidents());
    showLegend();
}

void TuningPanel::showLegend()
{
    QString legend = LegendText::swatch(
        TuningDelegate::kRecommended, tr("lowest threshold within the budget"));
    if (m_model->hasIncidents())
        legend += tr("; ")
            + LegendText::swatch(
                TuningDelegate::kBest, tr("best: most incidents caught within the budget"));
    m_legend->setText(legend
        + tr(
            "; faded: over the budget; framed: the setting on screen. Click a cell to choose it."));
}

void TuningPanel::showHoldOut(const QString &text)
{
    m_holdOutText->setText(text);
}

double TuningPanel::budget() const
{
    return m_budget->value();
}

void TuningPanel::setBudget(double budget)
{
    m_budget->setValue(budget);
}

} // namespace tovik
