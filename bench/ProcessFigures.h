#pragma once

#include <QByteArray>
#include <optional>

namespace tovik::bench::ProcessFigures {

// A size field of /proc/self/status in KiB, e.g. "VmRSS" or "VmHWM".
std::optional<qint64> statusKib(const QByteArray &field);
// Starts the peak resident size (VmHWM) anew from the present one; false where Linux refuses.
bool resetPeak();
// User and system time of this process so far.
qint64 cpuMicroseconds();

} // namespace tovik::bench::ProcessFigures
