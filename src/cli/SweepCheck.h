#pragma once

#include "cli/SweepCheckCommandLine.h"

namespace tovik {

// `tovik-cpu-check sweep`: the sweep's output on standard output or in a file; exit 0 when the
// sweep completes, 3 with a "CPU LOAD UNKNOWN" line when it cannot.
int runSweepCheck(const SweepCheckOptions &options);

} // namespace tovik
