#pragma once

#include "cli/TuneCheckCommandLine.h"

namespace tovik {

// `tovik-cpu-check tune`: the tuning surface on standard output or in a file; exit 0 when it
// completes, 3 with a "CPU LOAD UNKNOWN" line when it cannot.
int runTuneCheck(const TuneCheckOptions &options);

} // namespace tovik
