#pragma once

#include "testrun/RunSettings.h"

namespace tovik {

class RunHost;

// One click on Test: from the gate to the last ending.
class TestRunDriver
{
public:
    explicit TestRunDriver(RunHost &host, RunSettings settings = {});
    void run();

private:
    RunHost &m_host;
    RunSettings m_settings;
};

} // namespace tovik
