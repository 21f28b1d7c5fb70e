#include "report/CaughtChartPicture.h"

#include "report/HeatmapPicture.h"
#include "report/HourAxis.h"
#include "report/SweepReport.h"

#include <QPainter>
#include <algorithm>

namespace tovik {

namespace {

void drawScale(QPainter &painter, int highest)
{
    const QRect top(0, 0, CaughtChartPicture::kScaleWidth - 4, 12);
    painter.drawText(top, Qt::AlignRight | Qt::AlignTop, QString::number(highest));
    painter.drawText(top.translated(0, CaughtChartPicture::kPlotHeight - 12),
        Qt::AlignRight | Qt::AlignBottom, QStringLiteral("0"));
}

} // namespace

QImage CaughtChartPicture::draw(const SweepReport &report, qreal pixelRatio)
{
    const QList<int> caught = report.grid().caughtPerHour(report.setting().occurrences);
    const QList<bool> &monitored = report.grid().result().monitored;
    const int hours = int(caught.size());
    // Hours as wide as the heatmap's, so that the two pictures read alike.
    const int width = HeatmapPicture::hourWidth(hours, HeatmapPicture::labelWidth(report));
    const int highest
        = std::max(1, caught.isEmpty() ? 0 : *std::max_element(caught.cbegin(), caught.cend()));
    const QSize size(
        kScaleWidth + hours * width + HeatmapPicture::kAxisTail, kPlotHeight + HourAxis::kHeight);
    QImage image(size * pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(HourAxis::labelFont());
    for (int hour = 0; hour < hours; ++hour) {
        const int x = kScaleWidth + hour * width;
        if (!monitored.value(hour)) {
            painter.fillRect(x, 0, width, kPlotHeight, kNotMonitored);
            continue;
        }
        const int height = caught.at(hour) * kPlotHeight / highest;
        painter.fillRect(x, kPlotHeight - height, width, height, kBar);
    }
    painter.setPen(Qt::black);
    painter.drawLine(kScaleWidth, 0, kScaleWidth, kPlotHeight);
    painter.drawLine(kScaleWidth, kPlotHeight, kScaleWidth + hours * width, kPlotHeight);
    drawScale(painter, highest);
    HourAxis::draw(painter, report.range(),
        QRect(
            kScaleWidth, kPlotHeight, hours * width + HeatmapPicture::kAxisTail, HourAxis::kHeight),
        width);
    return image;
}

} // namespace tovik
