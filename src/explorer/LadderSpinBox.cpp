#include "explorer/LadderSpinBox.h"

#include <algorithm>

namespace tovik {

LadderSpinBox::LadderSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
}

void LadderSpinBox::stepBy(int steps)
{
    const std::optional<int> next = ladderValue(value(), steps);
    if (next)
        setValue(*next);
    else
        QSpinBox::stepBy(steps);
}

std::optional<int> LadderSpinBox::ladderValue(int value, int steps) const
{
    const QList<qint16> &thresholds = m_ladder.thresholds();
    // The first threshold above value going up, the last below it going down, then on from there.
    qsizetype at = 0;
    if (steps > 0) {
        at = std::upper_bound(thresholds.cbegin(), thresholds.cend(), value) - thresholds.cbegin();
        at += steps - 1;
    } else if (steps < 0) {
        at = std::lower_bound(thresholds.cbegin(), thresholds.cend(), value) - thresholds.cbegin();
        at += steps;
    } else {
        return std::nullopt;
    }
    if (at < 0 || at >= thresholds.size())
        return std::nullopt;
    return thresholds.at(at);
}

} // namespace tovik
