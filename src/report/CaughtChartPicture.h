#pragma once

#include <QColor>
#include <QImage>

namespace tovik {

class SweepReport;

// The caught devices per hour of a report as bars, hours outside the monitoring time shaded.
class CaughtChartPicture
{
public:
    static inline const QColor kBar {0xc0, 0x39, 0x2b};
    static inline const QColor kNotMonitored {0xe4, 0xe4, 0xe4};
    static constexpr int kPlotHeight = 160;
    static constexpr int kScaleWidth = 40;

    // pixelRatio pixels to each of the picture's points.
    static QImage draw(const SweepReport &report, qreal pixelRatio = 1);
};

} // namespace tovik
