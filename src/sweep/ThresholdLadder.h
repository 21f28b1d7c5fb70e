#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tovik {

// The thresholds whose counts one aggregate query returns together, ascending and each once, so
// that a change between them needs no query.
class ThresholdLadder
{
public:
    static constexpr int kMaxSteps = 101;
    static constexpr qint16 kDefaultFrom = 5;
    static constexpr qint16 kDefaultTo = 100;
    static constexpr qint16 kDefaultStep = 5;

    ThresholdLadder() = default;

    // Every 5 % from 5 to 100.
    static ThresholdLadder standard();
    // 'FROM-TO/STEP' with 0 <= FROM <= TO and STEP >= 1, at most kMaxSteps values; nothing, with
    // the reason, for any other text.
    static std::optional<ThresholdLadder> fromText(const QString &text, QString *failure);

    // This ladder with threshold added where it is missing.
    ThresholdLadder with(qint16 threshold) const;

    const QList<qint16> &thresholds() const { return m_thresholds; }
    int size() const { return int(m_thresholds.size()); }
    bool isEmpty() const { return m_thresholds.isEmpty(); }
    qint16 threshold(int step) const { return m_thresholds.at(step); }
    std::optional<int> stepOf(qint16 threshold) const;

    bool operator==(const ThresholdLadder &) const = default;

private:
    explicit ThresholdLadder(QList<qint16> thresholds);

    QList<qint16> m_thresholds;
};

} // namespace tovik
