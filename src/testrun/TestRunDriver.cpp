#include "testrun/TestRunDriver.h"

#include "testrun/RunHost.h"

namespace tovik {

TestRunDriver::TestRunDriver(RunHost &host, RunSettings settings)
    : m_host(host)
    , m_settings(settings)
{
}

void TestRunDriver::run()
{
}

} // namespace tovik
