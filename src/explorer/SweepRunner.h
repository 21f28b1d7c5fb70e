#pragma once

#include "sweep/LadderResult.h"
#include "sweep/SweepSettings.h"

#include <QString>
#include <functional>
#include <optional>

namespace tovik {

// What the explorer sweeps with: one sweep at a time, on the thread that calls run(), and a cancel
// from any other. The explorer's threading and request logic knows nothing more of the database.
class SweepRunner
{
public:
    // Called on run()'s thread before report k of n (k from 1).
    using Progress = std::function<void(int report, int reports)>;

    virtual ~SweepRunner() = default;

    // Blocks until the sweep ends; nothing, with *failure set, when it did not complete.
    virtual std::optional<LadderResult> run(
        const SweepSettings &settings, const Progress &progress, QString *failure)
        = 0;
    // Ends the running sweep soon, if there is one; a sweep that starts later runs.
    virtual void cancel() = 0;
};

} // namespace tovik
