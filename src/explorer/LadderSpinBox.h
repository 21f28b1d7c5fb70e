#pragma once

#include "sweep/ThresholdLadder.h"

#include <QSpinBox>

namespace tovik {

// A threshold box whose arrows and keys step to the next threshold of a ladder, which the result
// on screen answers without a query; past its ends, and for any typed value, it is a plain spin
// box.
class LadderSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit LadderSpinBox(QWidget *parent = nullptr);

    void setLadder(const ThresholdLadder &ladder) { m_ladder = ladder; }
    void stepBy(int steps) override;

private:
    // The ladder's threshold steps away from value; nothing past the ladder's end.
    std::optional<int> ladderValue(int value, int steps) const;

    ThresholdLadder m_ladder = ThresholdLadder::standard();
};

} // namespace tovik
