#pragma once

#include "sweep/AlarmChoice.h"
#include "sweep/TuneSetting.h"

#include <QWidget>
#include <optional>

class QBarSet;
class QChartView;
class QLabel;

namespace tovik {

class TuneAnalysis;

// Where the setting on screen's alarms come from: its alarms by hour of day as bars, the few
// devices that send most of them and, with incidents, the monitoring time that sends the fewest
// while catching every incident the current one catches.
class NoiseView : public QWidget
{
    Q_OBJECT

public:
    explicit NoiseView(QWidget *parent = nullptr);

    // Nothing to show without an analysis or a setting of its surface.
    void showNoise(
        const TuneAnalysis *analysis, std::optional<TuneSetting> setting, AlarmChoice shown);
    // The bars' values, hour by hour.
    QList<qreal> alarmsByHour() const;

private:
    void clear();

    QLabel *m_heading = nullptr;
    QChartView *m_chart = nullptr;
    QBarSet *m_bars = nullptr;
    QLabel *m_devices = nullptr;
    QLabel *m_monitoring = nullptr;
};

} // namespace tovik
