#include "cli/DataCheck.h"

#include "cli/CheckStatus.h"
#include "cli/CheckStream.h"
#include "cli/CheckTimeout.h"
#include "options/ConnectionFailureText.h"
#include "output/OutputFile.h"
#include "sweep/SampleCoverage.h"
#include "sweep/SweepEngine.h"

#include <QFile>

namespace tovik {

namespace {

// A line rewritten in place, for the person watching the terminal.
class TerminalProgress
{
public:
    void show(int report, int reports)
    {
        const QByteArray text
            = QStringLiteral("report %1 of %2").arg(report).arg(reports).toLocal8Bit();
        std::fprintf(stderr, "\r%s", text.constData());
        std::fflush(stderr);
        m_width = std::max(m_width, text.size());
    }
    ~TerminalProgress()
    {
        if (m_width > 0)
            std::fprintf(stderr, "\r%*s\r", int(m_width), "");
    }

private:
    qsizetype m_width = 0;
};

// A failed command leaves an old output file as it was: the file is replaced only once complete.
bool writeOutput(
    const DataOutput &output, const std::function<bool(QIODevice &)> &fill, QString *failure)
{
    if (output.outputPath.isEmpty()) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly) && fill(out) && out.flush())
            return true;
        *failure = QStringLiteral("the output could not be written: ") + out.errorString();
        return false;
    }
    QString reason;
    if (OutputFile::write(output.outputPath, output.access(), fill, &reason))
        return true;
    *failure = QStringLiteral("the output could not be written to %1: %2")
                   .arg(output.outputPath, reason);
    return false;
}

int unknown(const QString &reason)
{
    CheckStream::writeLine(stderr, CheckStatus::unknown(reason).line);
    return CheckStatus::Unknown;
}

// Nothing, with the reason, when the sweep's queries could not complete.
std::optional<LadderResult> query(
    const QString &work, const SweepSettings &settings, const DataOutput &output, QString *failure)
{
    std::optional<CheckTimeout> timeout;
    if (output.timeoutSeconds)
        timeout.emplace(work, *output.timeoutSeconds, stderr);
    SweepEngine engine(settings);
    TerminalProgress progress;
    const bool showsProgress = CheckStream::isTerminal(stderr);
    std::optional<LadderResult> result
        = engine.run([&progress, showsProgress](int report, int reports) {
              if (showsProgress)
                  progress.show(report, reports);
          });
    if (!result) {
        *failure = engine.openFailed() ? ConnectionFailureText::diagnose(settings.connection,
                       engine.lastError(), settings.security, settings.timeouts.loginSeconds)
                                       : engine.lastError();
    }
    return result;
}

} // namespace

int DataCheck::run(const QString &work, const SweepSettings &settings, const DataOutput &output,
    const Write &write, const Note &note)
{
    // Standard output is the command's data: its failures go to standard error, so that
    // `sweep > x.csv` never puts one into the csv.
    QString failure;
    if (!output.outputPath.isEmpty() && !OutputFile::canWrite(output.outputPath, &failure))
        return unknown(QStringLiteral("the output cannot be written to %1: %2")
                           .arg(output.outputPath, failure));
    const std::optional<LadderResult> result = query(work, settings, output, &failure);
    if (!result)
        return unknown(failure);
    // Counts of a range without samples would read as a quiet installation.
    if (!SampleCoverage::hasAnySample(*result))
        return unknown(SampleCoverage::noSamplesText(*result));
    const auto fill = [&](QIODevice &device) { return write(device, *result); };
    if (!writeOutput(output, fill, &failure))
        return unknown(failure);
    for (const std::optional<QString> &line :
        {SampleCoverage::unsampledReportsText(*result), note ? note(*result) : std::nullopt}) {
        if (line)
            CheckStream::writeLine(stderr, *line);
    }
    return CheckStatus::Ok;
}

} // namespace tovik
