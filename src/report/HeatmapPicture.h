#pragma once

#include <QColor>
#include <QImage>

namespace tovik {

class SweepReport;

// The caught devices of a report against its hours, devices down and hours across: a caught
// hour in full colour, an hour with samples at or over the threshold but too few of them pale,
// an hour outside the monitoring time grey.
class HeatmapPicture
{
public:
    static inline const QColor kCaught {0xc0, 0x39, 0x2b};
    static inline const QColor kCounted {0xf5, 0xc6, 0xa5};
    static inline const QColor kNotMonitored {0xe4, 0xe4, 0xe4};
    // More rows would not fit a page below the picture's heading; the table lists every device.
    static constexpr int kMaxDevices = 75;
    static constexpr int kRowHeight = 12;
    // Names are never cut but past this width, half a page.
    static constexpr int kMaxLabelWidth = 340;
    // Room right of the last hour for the axis' last label.
    static constexpr int kAxisTail = 30;

    // A null image when nothing was caught; pixelRatio pixels to each of the picture's points.
    static QImage draw(const SweepReport &report, qreal pixelRatio = 1);
    // Room left of the hours for the longest name of a device the picture shows.
    static int labelWidth(const SweepReport &report);
    // Pixels per hour: the range across what is left of a page's width beside labels that wide.
    static int hourWidth(int hours, int labelWidth);
    // The devices the picture shows, the most often caught first.
    static QList<int> shownDevices(const SweepReport &report);
};

} // namespace tovik
