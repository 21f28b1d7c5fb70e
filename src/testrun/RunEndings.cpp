#include "testrun/RunEndings.h"

#include "host/RunHost.h"
#include "monitoring/ReportDiscovery.h"
#include "testrun/HandOverRunLog.h"
#include "testrun/TestRun.h"

namespace tovik::RunEndings {

namespace {

void warn(TestRun &run, RunEnding ending, const QString &message)
{
    recordEnding(run, ending, message);
    run.host.showWarning(message);
}

// Shows the run log with a closing text after it, then the warning box; the log itself stays as
// it is.
void showLogAndWarn(
    TestRun &run, RunEnding ending, const QString &closingText, const QString &message)
{
    run.host.setTestEnabled(true);
    handOverRunLog(run, RunLog::crlf + closingText);
    warn(run, ending, message);
}

} // namespace

void settingsFailure(TestRun &run, const QString &description)
{
    run.host.setTestEnabled(true);
    handOverRunLog(run);
    warn(run, RunEnding::SettingsFailure, description + QStringLiteral(" (Err Handler)"));
}

void mainOpenFailure(TestRun &run)
{
    run.host.setTestEnabled(true);
    warn(run, RunEnding::MainOpenFailure, run.session.lastError());
    run.mainConnection.close();
}

void queryFailure(TestRun &run, bool reportConnectionToo)
{
    showLogAndWarn(run, RunEnding::QueryFailure, run.session.lastError(), run.session.lastError());
    run.mainConnection.close();
    if (reportConnectionToo)
        run.reportConnection.close();
}

void noCpuReports(TestRun &run)
{
    showLogAndWarn(run, RunEnding::NoCpuReports, ReportDiscovery::kNoReportsMessage,
        ReportDiscovery::kNoReportsMessage);
    run.mainConnection.close();
}

} // namespace tovik::RunEndings
