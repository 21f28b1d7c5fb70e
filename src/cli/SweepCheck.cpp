#include "cli/SweepCheck.h"

#include "cli/CheckStatus.h"
#include "cli/CheckStream.h"
#include "output/OutputFile.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepEngine.h"
#include "sweep/SweepJson.h"
#include "sweep/SweepTable.h"

#include <QFile>

namespace tovik {

namespace {

using Writer = bool (*)(QIODevice &, const SweepResult &, const SweepSettings &);

Writer writerOf(SweepCheckOptions::Format format)
{
    switch (format) {
    case SweepCheckOptions::Format::Json:
        return &SweepJson::write;
    case SweepCheckOptions::Format::Table:
        return &SweepTable::write;
    case SweepCheckOptions::Format::Csv:
        break;
    }
    return &SweepCsv::write;
}

SweepCheckOptions::Format formatFor(const SweepCheckOptions &options)
{
    if (options.format)
        return *options.format;
    return options.outputPath.isEmpty() && CheckStream::isTerminal(stdout)
        ? SweepCheckOptions::Format::Table
        : SweepCheckOptions::Format::Csv;
}

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

// A failed sweep leaves an old output file as it was: the file is replaced only once complete.
bool writeOutput(const SweepCheckOptions &options, const SweepResult &result, QString *failure)
{
    const Writer write = writerOf(formatFor(options));
    if (options.outputPath.isEmpty()) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly) && write(out, result, options.settings)
            && out.flush())
            return true;
        *failure = QStringLiteral("the output could not be written: ") + out.errorString();
        return false;
    }
    const auto fill = [&](QIODevice &file) { return write(file, result, options.settings); };
    QString reason;
    if (OutputFile::write(options.outputPath, OutputFile::Access::Shared, fill, &reason))
        return true;
    *failure = QStringLiteral("the output could not be written to %1: %2")
                   .arg(options.outputPath, reason);
    return false;
}

} // namespace

int runSweepCheck(const SweepCheckOptions &options)
{
    SweepEngine engine(options.settings);
    std::optional<SweepResult> result;
    {
        TerminalProgress progress;
        const bool showsProgress = CheckStream::isTerminal(stderr);
        result = engine.run([&progress, showsProgress](int report, int reports) {
            if (showsProgress)
                progress.show(report, reports);
        });
    }
    // Nothing is on standard output before the sweep completes, so its failure goes there, as a
    // monitoring system reads it.
    if (!result) {
        CheckStream::writeLine(stdout, CheckStatus::unknown(engine.lastError()).line);
        return CheckStatus::Unknown;
    }
    QString failure;
    if (writeOutput(options, *result, &failure))
        return CheckStatus::Ok;
    CheckStream::writeLine(
        options.outputPath.isEmpty() ? stderr : stdout, CheckStatus::unknown(failure).line);
    return CheckStatus::Unknown;
}

} // namespace tovik
