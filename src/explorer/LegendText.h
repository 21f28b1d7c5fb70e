#pragma once

#include <QColor>
#include <QString>

namespace tovik {

// The legends beside the explorer's views, as rich text in the views' own colours.
namespace LegendText {

// A legend's key: a square in colour, then text.
QString swatch(const QColor &colour, const QString &text);
// The heatmap's marks; the baseline's only while one is kept, the incidents' only while some are
// loaded.
QString heatmapLegend(bool baselineKept, bool incidents);

} // namespace LegendText

} // namespace tovik
