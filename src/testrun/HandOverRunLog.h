#pragma once

#include "testrun/RunOutcome.h"

#include <QString>

namespace tovik {

struct TestRun;

// Gives the run log, closingText and the final CR LF to the front-end: into the outcome always,
// and through ShowRunLog when the front-end is the window.
void handOverRunLog(TestRun &run, const QString &closingText = {});

// Records how the run ended; description is the ending's warning text.
void recordEnding(TestRun &run, RunEnding ending, const QString &description = {});

} // namespace tovik
