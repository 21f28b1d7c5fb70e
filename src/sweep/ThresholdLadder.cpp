#include "sweep/ThresholdLadder.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <limits>

namespace tovik {

namespace {

// FROM, TO and STEP of 'FROM-TO/STEP' with 0 <= FROM <= TO <= qint16's largest, as every
// threshold box takes, and STEP >= 1.
std::optional<std::array<int, 3>> ladderBounds(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+)-(\\d+)/(\\d+)$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    std::array<int, 3> bounds {};
    for (int i = 0; i < 3; ++i) {
        bool isNumber = false;
        bounds[i] = match.captured(i + 1).toInt(&isNumber);
        if (!isNumber || bounds[i] > std::numeric_limits<qint16>::max())
            return std::nullopt;
    }
    if (bounds[0] > bounds[1] || bounds[2] < 1)
        return std::nullopt;
    return bounds;
}

} // namespace

ThresholdLadder::ThresholdLadder(QList<qint16> thresholds)
    : m_thresholds(std::move(thresholds))
{
}

ThresholdLadder ThresholdLadder::standard()
{
    QList<qint16> thresholds;
    for (int t = kDefaultFrom; t <= kDefaultTo; t += kDefaultStep)
        thresholds << qint16(t);
    return ThresholdLadder(thresholds);
}

std::optional<ThresholdLadder> ThresholdLadder::fromText(const QString &text, QString *failure)
{
    const auto bounds = ladderBounds(text);
    if (!bounds) {
        *failure = QStringLiteral("'%1' is not FROM-TO/STEP with 0 <= FROM <= TO <= 32767 and "
                                  "STEP >= 1")
                       .arg(text);
        return std::nullopt;
    }
    const auto [from, to, step] = *bounds;
    if ((to - from) / step + 1 > kMaxSteps) {
        *failure = QStringLiteral("'%1' has more than %2 thresholds").arg(text).arg(kMaxSteps);
        return std::nullopt;
    }
    QList<qint16> thresholds;
    for (int t = from; t <= to; t += step)
        thresholds << qint16(t);
    return ThresholdLadder(thresholds);
}

ThresholdLadder ThresholdLadder::with(qint16 threshold) const
{
    if (stepOf(threshold))
        return *this;
    QList<qint16> thresholds = m_thresholds;
    thresholds.insert(std::lower_bound(thresholds.begin(), thresholds.end(), threshold), threshold);
    return ThresholdLadder(thresholds);
}

std::optional<int> ThresholdLadder::stepOf(qint16 threshold) const
{
    const auto found = std::lower_bound(m_thresholds.cbegin(), m_thresholds.cend(), threshold);
    if (found == m_thresholds.cend() || *found != threshold)
        return std::nullopt;
    return int(found - m_thresholds.cbegin());
}

} // namespace tovik
