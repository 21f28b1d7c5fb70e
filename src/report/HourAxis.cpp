#include "report/HourAxis.h"

#include "common/TimeFormats.h"

#include <QFontMetrics>
#include <QPainter>

namespace tovik {

QFont HourAxis::labelFont()
{
    QFont font;
    font.setPixelSize(10);
    return font;
}

void HourAxis::draw(QPainter &painter, const SweepRange &range, const QRect &area, int hourWidth)
{
    painter.save();
    painter.setFont(labelFont());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font());
    int freeFrom = area.left();
    for (int hour = 0; hour < range.hourCount(); ++hour) {
        const QDateTime time = range.hour(hour);
        if (hour > 0 && time.time().hour() != 0)
            continue;
        const int x = area.left() + hour * hourWidth;
        painter.drawLine(x, area.top(), x, area.top() + 3);
        const QString label = time.toString(TimeFormats::kDay);
        // A label that would run into the one before it is left out; its tick stays.
        if (x < freeFrom || x + metrics.horizontalAdvance(label) > area.right())
            continue;
        painter.drawText(QRect(x + 2, area.top(), area.right() - x, area.height()),
            Qt::AlignLeft | Qt::AlignVCenter, label);
        freeFrom = x + metrics.horizontalAdvance(label) + 8;
    }
    painter.restore();
}

} // namespace tovik
