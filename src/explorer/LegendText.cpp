#include "explorer/LegendText.h"

#include "explorer/HeatmapView.h"

namespace tovik::LegendText {

QString swatch(const QColor &colour, const QString &text)
{
    return QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2")
        .arg(colour.name(), text.toHtmlEscaped());
}

QString heatmapLegend(bool baselineKept, bool incidents)
{
    QString legend = swatch(HeatmapDelegate::kCaught, QStringLiteral("caught (framed, bold)"))
        + u' ' + swatch(HeatmapDelegate::kNearMiss, QStringLiteral("one sample short")) + u' '
        + swatch(HeatmapDelegate::kBlind, QStringLiteral("too few samples to fire (hatched)"));
    if (incidents)
        legend += u' '
            + swatch(HeatmapDelegate::kIncident, QStringLiteral("incident (under the hour)"));
    if (baselineKept)
        legend += QStringLiteral("<br>")
            + swatch(HeatmapDelegate::kGained, QStringLiteral("caught, not by the baseline")) + u' '
            + swatch(HeatmapDelegate::kLost, QStringLiteral("caught by the baseline only"));
    return legend;
}

} // namespace tovik::LegendText
