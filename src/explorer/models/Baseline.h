#pragma once

#include "explorer/models/BaselineComparison.h"

#include <memory>
#include <optional>

namespace tovik {

// The setting kept to compare the settings chosen next with, through new queries too.
class Baseline
{
public:
    // What the comparison line shows, and the marks of the device-hours gained and lost; no
    // marks while there is nothing to compare.
    struct Shown
    {
        QString text;
        std::shared_ptr<const BaselineComparison> marks;
    };

    bool isKept() const { return m_setting.has_value(); }
    const std::optional<AlarmChoice> &setting() const { return m_setting; }
    void keep(AlarmChoice setting) { m_setting = setting; }
    // current against the kept setting on result, which is nothing before the first result.
    Shown compare(const LadderResult *result, AlarmChoice current) const;

private:
    std::optional<AlarmChoice> m_setting;
};

} // namespace tovik
