#pragma once

namespace tovik {

struct TestRun;

// Count, per report, every node's samples at or over the threshold in the examined hour.
// Both return false when a failure has ended the run.
bool CountInMonitoringDatabase(TestRun &run);
bool CountInReportDatabases(TestRun &run);

} // namespace tovik
