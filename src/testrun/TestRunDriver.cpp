#include "testrun/TestRunDriver.h"

#include "host/RunHost.h"
#include "testrun/DeviceSummary.h"
#include "testrun/DiscoverCpuReports.h"
#include "testrun/RunEndings.h"
#include "testrun/ShownConnectionString.h"
#include "testrun/TestRun.h"
#include "testrun/ThresholdCounting.h"

#include <QElapsedTimer>

namespace tovik {

namespace {

// Counting where discovery found the samples; false when the run has ended on the way.
bool countThresholdHits(TestRun &run, SampleStore store)
{
    switch (store) {
    case SampleStore::InMonitoringDatabase:
        return CountInMonitoringDatabase(run);
    case SampleStore::InReportDatabases:
        return CountInReportDatabases(run);
    case SampleStore::NotFound:
        return true;
    }
    return false;
}

bool openMainConnection(TestRun &run, const ConnectionFields &fields)
{
    const quint32 start = run.session.startMark();
    if (!run.session.connect(
            run.mainConnection, fields, fields.SqlDatabase, run.shownMainConnection, start)) {
        RunEndings::mainOpenFailure(run);
        return false;
    }
    return true;
}

} // namespace

TestRunDriver::TestRunDriver(RunHost &host, RunSettings settings)
    : m_host(host)
    , m_settings(settings)
{
}

RunOutcome TestRunDriver::run()
{
    if (!m_host.monitorsCpuLoad())
        return {};

    QElapsedTimer duration;
    duration.start();
    TestRun run(m_host, m_settings);
    perform(run);
    run.outcome.alarm = run.alarm;
    run.outcome.examinedHour = run.examinedHour;
    run.outcome.durationMs = duration.elapsed();
    return std::move(run.outcome);
}

void TestRunDriver::perform(TestRun &run)
{
    QString failure;
    const auto alarm = m_host.alarmSetting(&failure);
    if (!alarm) {
        RunEndings::settingsFailure(run, failure);
        return;
    }
    run.alarm = *alarm;
    m_host.setTestEnabled(false);
    run.examinedHour = HourWindow::examinedHour(
        m_host.referenceTime(), run.alarm.monStartHour, run.alarm.monStopHour);
    const ConnectionFields fields = m_host.connectionFields();
    run.shownMainConnection = ShownConnectionString::main(fields.masked());

    if (!openMainConnection(run, fields))
        return;
    const auto store = DiscoverCpuReports(run);
    if (!store || !countThresholdHits(run, *store))
        return;
    SummarizeDevices(run);
}

} // namespace tovik
