#pragma once

#include "sweep/SweepRange.h"

#include <QFont>
#include <QRect>

class QPainter;

namespace tovik {

// The time axis under a report's pictures: a tick and the date at the first hour of each day,
// as many labels as there is room for.
class HourAxis
{
public:
    static constexpr int kHeight = 16;

    // Hours across from left, hourWidth pixels each; the labels fill area's height.
    static void draw(QPainter &painter, const SweepRange &range, const QRect &area, int hourWidth);
    // The labels' font, small enough for a day in a few pixels an hour.
    static QFont labelFont();
};

} // namespace tovik
