#pragma once

#include "testrun/RunOutcome.h"
#include "testrun/RunSettings.h"

namespace tovik {

class RunHost;
struct TestRun;

// One click on Test: from the gate to the last ending.
class TestRunDriver
{
public:
    explicit TestRunDriver(RunHost &host, RunSettings settings = {});
    // How the run ended, for front-ends that show no window; the window has seen it all already.
    RunOutcome run();

private:
    void perform(TestRun &run);

    RunHost &m_host;
    RunSettings m_settings;
};

} // namespace tovik
