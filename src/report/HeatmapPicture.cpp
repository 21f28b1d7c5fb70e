#include "report/HeatmapPicture.h"

#include "report/HourAxis.h"
#include "report/SweepReport.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace tovik {

namespace {

// With the labels and the axis' tail, a page's text width: a picture is never scaled down.
constexpr int kPlotWidth = 500;

QColor cellColour(const SweepReport &report, int device, int hour)
{
    const SweepGrid &grid = report.grid();
    if (!grid.result().monitored.value(hour))
        return HeatmapPicture::kNotMonitored;
    if (grid.isCaught(device, hour, report.setting().occurrences))
        return HeatmapPicture::kCaught;
    return grid.count(device, hour) > 0 ? HeatmapPicture::kCounted : QColor(Qt::white);
}

void drawRow(QPainter &painter, const SweepReport &report, int device, int top, int hourWidth)
{
    const SweepGrid &grid = report.grid();
    const QFontMetrics metrics(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, top, HeatmapPicture::kLabelWidth - 4, HeatmapPicture::kRowHeight),
        Qt::AlignRight | Qt::AlignVCenter,
        metrics.elidedText(
            grid.deviceName(device), Qt::ElideRight, HeatmapPicture::kLabelWidth - 6));
    for (int hour = 0; hour < grid.hourCount(); ++hour) {
        painter.fillRect(HeatmapPicture::kLabelWidth + hour * hourWidth, top, hourWidth,
            HeatmapPicture::kRowHeight - 1, cellColour(report, device, hour));
    }
}

} // namespace

int HeatmapPicture::hourWidth(int hours)
{
    return std::clamp(kPlotWidth / std::max(hours, 1), 1, 16);
}

QImage HeatmapPicture::draw(const SweepReport &report)
{
    const QList<int> &devices = report.caughtDevices();
    if (devices.isEmpty())
        return {};
    const int rows = int(std::min<qsizetype>(devices.size(), kMaxDevices));
    const int hours = report.grid().hourCount();
    const int width = hourWidth(hours);
    QImage image(kLabelWidth + hours * width + kAxisTail, rows * kRowHeight + HourAxis::kHeight,
        QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(HourAxis::labelFont());
    for (int row = 0; row < rows; ++row)
        drawRow(painter, report, devices.at(row), row * kRowHeight, width);
    HourAxis::draw(painter, report.range(),
        QRect(kLabelWidth, rows * kRowHeight, hours * width + kAxisTail, HourAxis::kHeight), width);
    return image;
}

} // namespace tovik
