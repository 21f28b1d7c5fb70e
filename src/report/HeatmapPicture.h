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
    // More rows would not fit a page; the table lists every device.
    static constexpr int kMaxDevices = 120;
    static constexpr int kRowHeight = 12;
    static constexpr int kLabelWidth = 130;
    // Room right of the last hour for the axis' last label.
    static constexpr int kAxisTail = 30;

    // A null image when nothing was caught.
    static QImage draw(const SweepReport &report);
    // Pixels per hour: the range across about a page's width.
    static int hourWidth(int hours);
};

} // namespace tovik
