#include "cli/CpuCheck.h"

#include "cli/CheckCommandLine.h"
#include "cli/CheckStatus.h"
#include "cli/CliHost.h"
#include "cli/PasswordSource.h"
#include "cli/RunWatchdog.h"
#include "host/ControlNames.h"
#include "output/PrivateFile.h"
#include "testrun/RunOutcome.h"
#include "testrun/TestRunDriver.h"

#include <cstdio>
#include <cstdlib>

namespace tovik {

namespace {

void writeLine(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = (line + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}

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
    CliHost host(options.controlTexts, options.referenceTime);
    RunSettings settings;
    settings.showsWindow = false;
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

int check(CheckOptions options)
{
    std::FILE *statusStream = options.runLogToStdout() ? stderr : stdout;
    QString failure;
    const auto password = PasswordSource::read(options.passwordFile, &failure);
    if (!password) {
        writeLine(statusStream, CheckStatus::unknown(failure).line);
        return CheckStatus::Unknown;
    }
    options.controlTexts.insert(control::kTxtOnlDbPass, *password);

    const RunOutcome outcome = runChecked(options, statusStream);
    const CheckStatus status = writeRunLog(options, outcome, &failure)
        ? CheckStatus::fromOutcome(outcome, options)
        : CheckStatus::unknown(failure);
    writeLine(statusStream, status.line);
    return status.code;
}

} // namespace

int runCpuCheck(const QStringList &arguments)
{
    CheckCommandLine::Result parsed
        = CheckCommandLine::parse(arguments, QDateTime::currentDateTime());
    switch (parsed.action) {
    case CheckCommandLine::Action::Help:
    case CheckCommandLine::Action::Version:
        writeLine(stdout, parsed.text);
        return CheckStatus::Ok;
    case CheckCommandLine::Action::Refused:
        writeLine(stdout, CheckStatus::unknown(parsed.text).line);
        return CheckStatus::Unknown;
    case CheckCommandLine::Action::Run:
        break;
    }
    return check(std::move(parsed.options));
}

} // namespace tovik
