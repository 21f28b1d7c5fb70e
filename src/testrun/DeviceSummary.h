#pragma once

namespace tovik {

struct TestRun;

// Looks every listed node up in ATR_Nodes, performs the test-trap step for the first caught
// device, closes the main connection, appends the summary of caught devices and shows the log.
void SummarizeDevices(TestRun &run);

} // namespace tovik
