#pragma once

#include "sweep/AlarmChoice.h"
#include "sweep/SweepChoice.h"

#include <QWidget>

class QDateTimeEdit;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace tovik {

class LadderSpinBox;
class ThresholdLadder;

// The sweep's range, monitoring time and alarm setting. A monitoring time without a monitored
// hour is refused beside its boxes as it is typed.
class SweepForm : public QWidget
{
    Q_OBJECT

public:
    // The boxes open at the sweep's defaults.
    explicit SweepForm(QWidget *parent = nullptr);

    // The form's part of a sweep's choice; the connection is left at its defaults.
    SweepChoice choice() const;
    // Fills the boxes from choice, its connection aside, without announcing a change.
    void setChoice(const SweepChoice &choice);
    qint16 occurrences() const;
    // Sets the occurrences, then the threshold, as a user would.
    void chooseSetting(AlarmChoice setting);
    // The thresholds the spin box steps through first.
    void setLadder(const ThresholdLadder &ladder);
    QList<QWidget *> tabOrder() const;

signals:
    void thresholdChanged(qint16 threshold);
    void occurrencesChanged(qint16 occurrences);
    // The range or the monitoring time changed: a new query is due.
    void rangeChanged();

private:
    void connectBoxes();
    // Why the monitoring time is refused; empty for one that monitors.
    QString monitoringRefusal() const;
    void showMonitoringRefusal();

    QRadioButton *m_last = nullptr;
    QSpinBox *m_lastHours = nullptr;
    QRadioButton *m_fixed = nullptr;
    QDateTimeEdit *m_from = nullptr;
    QDateTimeEdit *m_to = nullptr;
    QSpinBox *m_monitoringStart = nullptr;
    QSpinBox *m_monitoringStop = nullptr;
    QLabel *m_monitoringRefusal = nullptr;
    LadderSpinBox *m_threshold = nullptr;
    QSpinBox *m_occurrences = nullptr;
};

} // namespace tovik
