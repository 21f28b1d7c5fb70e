#pragma once

#include <QStringList>

namespace tovik {

// The whole program `tovik-cpu-check`: reads the arguments, runs the check and writes its
// status line (and the run log when asked); returns the exit code.
int runCpuCheck(const QStringList &arguments);

} // namespace tovik
