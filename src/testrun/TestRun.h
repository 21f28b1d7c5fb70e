#pragma once

#include "db/ConnectionFields.h"
#include "db/DbConnection.h"
#include "monitoring/AlarmSetting.h"
#include "monitoring/CpuReport.h"
#include "output/RunLog.h"
#include "testrun/HourWindow.h"
#include "testrun/NodeHit.h"
#include "testrun/QuerySession.h"
#include "testrun/RunOutcome.h"
#include "testrun/RunSettings.h"

namespace tovik {

class RunHost;

// The whole state of one run, from the click to its ending; nothing of it outlives the run.
struct TestRun
{
    TestRun(RunHost &runHost, const RunSettings &runSettings)
        : host(runHost)
        , settings(runSettings)
        , session(runHost, log, runSettings.queryTimeoutSeconds)
    {
    }

    RunHost &host;
    RunSettings settings;
    AlarmSetting alarm;
    HourWindow examinedHour;
    RunLog log;
    QuerySession session;
    // The main connection string as the run log shows it.
    QString shownMainConnection;
    DbConnection mainConnection;
    DbConnection reportConnection;
    CpuReportList reports;
    NodeHitList nodeHits;
    RunOutcome outcome;
};

} // namespace tovik
