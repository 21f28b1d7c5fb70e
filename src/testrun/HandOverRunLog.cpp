#include "testrun/HandOverRunLog.h"

#include "output/ShowRunLog.h"
#include "testrun/TestRun.h"

namespace tovik {

void handOverRunLog(TestRun &run, const QString &closingText)
{
    run.outcome.logWritten = true;
    run.outcome.logBytes = run.log.bytes();
    run.outcome.logEnding = runLogEnding(closingText);
    if (run.settings.showsWindow)
        ShowRunLog(run.host, run.log, closingText);
}

void recordEnding(TestRun &run, RunEnding ending, const QString &description)
{
    run.outcome.ending = ending;
    run.outcome.description = description;
}

} // namespace tovik
