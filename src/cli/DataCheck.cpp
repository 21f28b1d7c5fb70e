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

// The engine's work, whose frame stays the caller's until check() returns; nothing when it failed.
using Sweep = std::function<const SweepFrame *(SweepEngine &, const SweepEngine::Progress &)>;

// Nothing, with the reason, when the sweep's queries could not complete.
const SweepFrame *query(const QString &work, const SweepSettings &settings,
    const DataOutput &output, const Sweep &sweep, QString *failure)
{
    std::optional<CheckTimeout> timeout;
    if (output.timeoutSeconds)
        timeout.emplace(work, *output.timeoutSeconds, stderr);
    SweepEngine engine(settings);
    TerminalProgress progress;
    const bool showsProgress = CheckStream::isTerminal(stderr);
    const SweepFrame *frame = sweep(engine, [&progress, showsProgress](int report, int reports) {
        if (showsProgress)
            progress.show(report, reports);
    });
    if (!frame) {
        *failure = engine.openFailed() ? ConnectionFailureText::diagnose(settings.connection,
                       engine.lastError(), settings.security, settings.timeouts.loginSeconds)
                                       : engine.lastError();
    }
    return frame;
}

int check(const QString &work, const SweepSettings &settings, const DataOutput &output,
    const Sweep &sweep, const std::function<bool(QIODevice &)> &write,
    const std::function<std::optional<QString>()> &note)
{
    // Standard output is the command's data: its failures go to standard error, so that
    // `sweep > x.csv` never puts one into the csv.
    QString failure;
    if (!output.outputPath.isEmpty() && !OutputFile::canWrite(output.outputPath, &failure))
        return unknown(QStringLiteral("the output cannot be written to %1: %2")
                           .arg(output.outputPath, failure));
    const SweepFrame *frame = query(work, settings, output, sweep, &failure);
    if (!frame)
        return unknown(failure);
    // Counts of a range without samples would read as a quiet installation.
    if (!SampleCoverage::hasAnySample(*frame))
        return unknown(SampleCoverage::noSamplesText(*frame));
    if (!writeOutput(output, write, &failure))
        return unknown(failure);
    for (const std::optional<QString> &line :
        {SampleCoverage::unsampledReportsText(*frame), note()}) {
        if (line)
            CheckStream::writeLine(stderr, *line);
    }
    return CheckStatus::Ok;
}

} // namespace

int DataCheck::run(const QString &work, const SweepSettings &settings, const DataOutput &output,
    const Write &write, const Note &note)
{
    std::optional<LadderResult> result;
    return check(
        work, settings, output,
        [&result](SweepEngine &engine, const SweepEngine::Progress &progress) {
            result = engine.run(progress);
            return result ? static_cast<const SweepFrame *>(&*result) : nullptr;
        },
        [&](QIODevice &device) { return write(device, *result); },
        [&] { return note ? note(*result) : std::nullopt; });
}

int DataCheck::stream(const QString &work, const SweepSettings &settings, const DataOutput &output,
    const SweepEngine::FrameReady &ready, const SweepEngine::CellSink &sink,
    const std::function<bool(QIODevice &)> &write,
    const std::function<std::optional<QString>()> &note)
{
    std::optional<SweepFrame> frame;
    return check(
        work, settings, output,
        [&](SweepEngine &engine, const SweepEngine::Progress &progress) {
            frame = engine.stream(sink, progress, ready);
            return frame ? &*frame : nullptr;
        },
        write, note);
}

} // namespace tovik
