#pragma once

#include <QString>

namespace tovik {

struct TestRun;

// The ways a run ends early. Each leaves the Test button enabled and the connections closed.
namespace RunEndings {

void settingsFailure(TestRun &run, const QString &description);
void mainOpenFailure(TestRun &run);
// A failed query, or a failed open of a report's own database (reportConnectionToo).
void queryFailure(TestRun &run, bool reportConnectionToo = false);
void noCpuReports(TestRun &run);

} // namespace RunEndings

} // namespace tovik
