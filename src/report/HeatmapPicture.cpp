#include "report/HeatmapPicture.h"

#include "report/HourAxis.h"
#include "report/ReportPage.h"
#include "report/SweepReport.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <algorithm>

namespace tovik {

namespace {

// Between a name and the first hour, and before the longest name: room for a name drawn a little
// wider than measured, as a font's hinting may.
constexpr int kLabelGap = 4;

QColor cellColour(const SweepReport &report, int device, int hour)
{
    const SweepGrid &grid = report.grid();
    if (!grid.result().monitored.value(hour))
        return HeatmapPicture::kNotMonitored;
    if (grid.isCaught(device, hour, report.setting().occurrences))
        return HeatmapPicture::kCaught;
    return grid.count(device, hour) > 0 ? HeatmapPicture::kCounted : QColor(Qt::white);
}

void drawRow(QPainter &painter, const SweepReport &report, int device, int top, int labelWidth,
    int hourWidth)
{
    const SweepGrid &grid = report.grid();
    const QFontMetrics metrics(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, top, labelWidth - kLabelGap, HeatmapPicture::kRowHeight),
        Qt::AlignRight | Qt::AlignVCenter,
        metrics.elidedText(grid.deviceName(device), Qt::ElideRight, labelWidth - kLabelGap));
    for (int hour = 0; hour < grid.hourCount(); ++hour) {
        painter.fillRect(labelWidth + hour * hourWidth, top, hourWidth,
            HeatmapPicture::kRowHeight - 1, cellColour(report, device, hour));
    }
}

} // namespace

QList<int> HeatmapPicture::shownDevices(const SweepReport &report)
{
    return report.caughtDevices().first(
        std::min<qsizetype>(report.caughtDevices().size(), kMaxDevices));
}

int HeatmapPicture::labelWidth(const SweepReport &report)
{
    const QFontMetricsF metrics(HourAxis::labelFont());
    qreal longest = 0;
    for (const int device : shownDevices(report))
        longest = std::max(longest, metrics.horizontalAdvance(report.grid().deviceName(device)));
    return std::min(qCeil(longest) + 2 * kLabelGap, kMaxLabelWidth);
}

int HeatmapPicture::hourWidth(int hours, int labelWidth)
{
    // With the labels and the axis' tail, a page's text width: a picture is never scaled down.
    const int plotWidth = ReportPage::kTextWidth - labelWidth - kAxisTail;
    return std::clamp(plotWidth / std::max(hours, 1), 1, 16);
}

QImage HeatmapPicture::draw(const SweepReport &report, qreal pixelRatio)
{
    const QList<int> devices = shownDevices(report);
    if (devices.isEmpty())
        return {};
    const int rows = int(devices.size());
    const int hours = report.grid().hourCount();
    const int labels = labelWidth(report);
    const int width = hourWidth(hours, labels);
    const QSize size(labels + hours * width + kAxisTail, rows * kRowHeight + HourAxis::kHeight);
    QImage image(size * pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(HourAxis::labelFont());
    for (int row = 0; row < rows; ++row)
        drawRow(painter, report, devices.at(row), row * kRowHeight, labels, width);
    HourAxis::draw(painter, report.range(),
        QRect(labels, rows * kRowHeight, hours * width + kAxisTail, HourAxis::kHeight), width);
    return image;
}

} // namespace tovik
