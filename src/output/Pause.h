#pragma once

#include <QtGlobal>

namespace tovik {

class RunHost;

// The program's only wait: 10 ms sleeps, each followed by handling the window's pending
// events, so the window stays responsive. Durations below 10 ms return at once.
void Pause(RunHost &host, qint16 milliseconds);

} // namespace tovik
