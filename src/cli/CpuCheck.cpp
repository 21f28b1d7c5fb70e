#include "cli/CpuCheck.h"

#include "cli/CheckCommandLine.h"
#include "cli/CheckStatus.h"
#include "cli/CheckStream.h"
#include "cli/CliHost.h"
#include "cli/RunWatchdog.h"
#include "cli/SweepCheck.h"
#include "output/PrivateFile.h"
#include "testrun/RunOutcome.h"
#include "testrun/TestRunDriver.h"

#include <cstdio>
#include <cstdlib>

namespace tovik {

namespace {

// A query can block the run's thread for as long as the server keeps it waiting, so the
// timeout ends the whole process from the watchdog's thread.
std::function<void()> endOnTimeout(std::FILE *statusStream, int seconds)
{
    const QByteArray line
        = (CheckStatus::unknown(
               QStringLiteral("the run did not end within %1 s (--timeout)").arg(seconds))
                .line
            + u'\n')
              .toLocal8Bit();
    return [statusStream, line] {
        std::fflush(stdout);
        std::fwrite(line.constData(), 1, line.size(), statusStream);
        std::fflush(statusStream);
        std::_Exit(CheckStatus::Unknown);
    };
}

RunOutcome runChecked(const CheckOptions &options, std::FILE *statusStream)
{
    const RunWatchdog watchdog(std::chrono::seconds(options.timeoutSeconds),
        endOnTimeout(statusStream, options.timeoutSeconds));
    CliHost host(options);
    RunSettings settings;
    settings.showsWindow = false;
    settings.listsCaughtDevices = true;
    RunOutcome outcome = TestRunDriver(host, settings).run();
    return outcome;
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
    const RunOutcome outcome = runChecked(options, statusStream);
    const CheckStatus status = writeRunLog(options, outcome, &failure)
        ? CheckStatus::fromOutcome(outcome, options)
        : CheckStatus::unknown(failure);
    CheckStream::writeLine(statusStream, status.line);
    return status.code;
}

// What the check answers to arguments that ask for no run.
int answer(CheckCommandLine::Action action, const QString &text)
{
    if (action == CheckCommandLine::Action::Refused) {
        CheckStream::writeLine(stdout, CheckStatus::unknown(text).line);
        return CheckStatus::Unknown;
    }
    CheckStream::writeLine(stdout, text);
    return CheckStatus::Ok;
}

} // namespace

int runCpuCheck(const QStringList &arguments)
{
    const QDateTime now = QDateTime::currentDateTime();
    CheckCommandLine::Result parsed = CheckCommandLine::parse(arguments, now);
    if (parsed.action == CheckCommandLine::Action::Sweep) {
        SweepCheckCommandLine::Result sweep = SweepCheckCommandLine::parse(arguments, now);
        return sweep.action == CheckCommandLine::Action::Run ? runSweepCheck(sweep.options)
                                                             : answer(sweep.action, sweep.text);
    }
    return parsed.action == CheckCommandLine::Action::Run ? check(parsed.options)
                                                          : answer(parsed.action, parsed.text);
}

} // namespace tovik
