#include "testrun/RunEndings.h"

#include "host/RunHost.h"
#include "output/ShowRunLog.h"
#include "testrun/TestRun.h"

namespace tovik::RunEndings {

namespace {

// Shows the run log with a closing text after it, then the warning box; the log itself stays as
// it is.
void showLogAndWarn(TestRun &run, const QString &closingText, const QString &message)
{
    run.host.setTestEnabled(true);
    ShowRunLog(run.host, run.log, RunLog::crlf + closingText);
    run.host.showWarning(message);
}

} // namespace

void settingsFailure(TestRun &run, const QString &description)
{
    run.host.setTestEnabled(true);
    ShowRunLog(run.host, run.log);
    run.host.showWarning(description + QStringLiteral(" (Err Handler)"));
}

void mainOpenFailure(TestRun &run)
{
    run.host.setTestEnabled(true);
    run.host.showWarning(run.session.lastError());
    run.mainConnection.close();
}

void queryFailure(TestRun &run, bool reportConnectionToo)
{
    showLogAndWarn(run, run.session.lastError(), run.session.lastError());
    run.mainConnection.close();
    if (reportConnectionToo)
        run.reportConnection.close();
}

void noCpuReports(TestRun &run)
{
    showLogAndWarn(run, noReportsMessage, noReportsMessage);
    run.mainConnection.close();
}

} // namespace tovik::RunEndings
