#include "cli/CpuCheck.h"

#include "cli/CheckCommandLine.h"
#include "cli/CheckStatus.h"
#include "cli/CheckStream.h"
#include "cli/CheckTimeout.h"
#include "cli/CliHost.h"
#include "cli/SweepCheck.h"
#include "cli/TuneCheck.h"
#include "options/ConnectionFailureText.h"
#include "output/PrivateFile.h"
#include "sweep/SweepChoice.h"
#include "sweep/SweepEngine.h"
#include "testrun/RunOutcome.h"
#include "testrun/TestRunDriver.h"

#include <cstdio>

namespace tovik {

namespace {

// A run and, when it caught nothing in a monitored hour, that hour's samples at any load.
struct CheckedRun
{
    RunOutcome outcome;
    std::optional<LadderResult> hourSamples;
};

// The run counts only the samples at or over the threshold, so an hour without any sample would
// pass as a quiet one. The sweep's query of that hour tells the two apart on a connection of its
// own and in no log, so that the run's queries and log stay the tester's. A caught device shows
// already that the hour had samples and that the occurrences can be reached; a failure here
// leaves the run's answer as it is.
std::optional<LadderResult> examinedHourSamples(
    const CheckOptions &options, const RunOutcome &outcome)
{
    if (outcome.ending != RunEnding::NormalEnd || !outcome.caught.isEmpty()
        || outcome.examinedHour.start.isEmpty())
        return std::nullopt;
    SweepChoice choice;
    choice.connection = options.connection;
    choice.fixedRange = true;
    choice.from = outcome.examinedHour.start;
    choice.to = outcome.examinedHour.end;
    choice.threshold = outcome.alarm.threshold;
    choice.occurrences = outcome.alarm.occurrences;
    choice.monStartHour = outcome.alarm.monStartHour;
    choice.monStopHour = outcome.alarm.monStopHour;
    QString failure;
    const std::optional<SweepSettings> settings = choice.sweep(options.referenceTime, &failure);
    return settings ? SweepEngine(*settings).run() : std::nullopt;
}

CheckedRun runChecked(const CheckOptions &options, std::FILE *statusStream)
{
    const CheckTimeout timeout(QStringLiteral("run"), options.timeoutSeconds, statusStream);
    CliHost host(options);
    RunSettings settings;
    settings.showsWindow = false;
    settings.listsCaughtDevices = true;
    CheckedRun run {TestRunDriver(host, settings).run(), std::nullopt};
    if (run.outcome.ending == RunEnding::MainOpenFailure) {
        run.outcome.description
            = ConnectionFailureText::diagnose(options.connection.fields, run.outcome.description,
                options.connection.security, options.connection.loginTimeoutSeconds);
    }
    run.hourSamples = examinedHourSamples(options, run.outcome);
    return run;
}

// False, with the reason, when the log was asked for and could not be written.
bool writeRunLog(const CheckOptions &options, const RunOutcome &outcome, QString *failure)
{
    if (!options.runLogPath || !outcome.logWritten)
        return true;
    if (options.runLogToStdout()) {
        std::fwrite(outcome.logBytes.constData(), 1, outcome.logBytes.size(), stdout);
        std::fwrite(outcome.logEnding.constData(), 1, outcome.logEnding.size(), stdout);
        return std::fflush(stdout) == 0;
    }
    QString reason;
    if (writePrivateFile(*options.runLogPath, {outcome.logBytes, outcome.logEnding}, &reason))
        return true;
    *failure = QStringLiteral("the run log could not be written to %1: %2")
                   .arg(*options.runLogPath, reason);
    return false;
}

int check(const CheckOptions &options)
{
    std::FILE *statusStream = options.runLogToStdout() ? stderr : stdout;
    QString failure;
    const CheckedRun run = runChecked(options, statusStream);
    const CheckStatus status = writeRunLog(options, run.outcome, &failure)
        ? CheckStatus::fromOutcome(
            run.outcome, options, run.hourSamples ? &*run.hourSamples : nullptr)
        : CheckStatus::unknown(failure);
    CheckStream::writeLine(statusStream, status.line);
    return status.code;
}

// What the check answers to arguments that ask for no run; a refusal's line goes to
// statusStream.
int answer(CheckCommandLine::Action action, const QString &text, std::FILE *statusStream)
{
    switch (action) {
    case CheckCommandLine::Action::Refused:
        CheckStream::writeLine(statusStream, CheckStatus::unknown(text).line);
        return CheckStatus::Unknown;
    case CheckCommandLine::Action::Usage:
        CheckStream::writeLine(stderr, text);
        return CheckStatus::Unknown;
    default:
        CheckStream::writeLine(stdout, text);
        return CheckStatus::Ok;
    }
}

void showNotice(const QString &notice)
{
    if (!notice.isEmpty())
        CheckStream::writeLine(stderr, notice);
}

// A command whose output is data: its refusals, help and notices, then its work.
template<typename CommandLine, typename Options>
int dataCommand(const QStringList &arguments, const QDateTime &now, int (*work)(const Options &))
{
    const typename CommandLine::Result parsed = CommandLine::parse(arguments, now);
    showNotice(parsed.notice);
    return parsed.action == CheckCommandLine::Action::Run
        ? work(parsed.options)
        : answer(parsed.action, parsed.text, stderr);
}

} // namespace

int runCpuCheck(const QStringList &arguments)
{
    const QDateTime now = QDateTime::currentDateTime();
    // The standard output of a sweep or a tuning is its data, so its refusals go to standard
    // error too.
    const QString command = arguments.value(1);
    std::FILE *refusalStream
        = command == QLatin1String("sweep") || command == QLatin1String("tune") ? stderr : stdout;
    CheckCommandLine::Result parsed = CheckCommandLine::parse(arguments, now);
    if (parsed.action == CheckCommandLine::Action::Sweep)
        return dataCommand<SweepCheckCommandLine>(arguments, now, runSweepCheck);
    if (parsed.action == CheckCommandLine::Action::Tune)
        return dataCommand<TuneCheckCommandLine>(arguments, now, runTuneCheck);
    showNotice(parsed.notice);
    return parsed.action == CheckCommandLine::Action::Run
        ? check(parsed.options)
        : answer(parsed.action, parsed.text, refusalStream);
}

} // namespace tovik
