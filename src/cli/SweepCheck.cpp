#include "cli/SweepCheck.h"

#include "cli/CheckStatus.h"
#include "cli/CheckStream.h"
#include "cli/CheckTimeout.h"
#include "options/ConnectionFailureText.h"
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

int unknown(const QString &reason)
{
    CheckStream::writeLine(stderr, CheckStatus::unknown(reason).line);
    return CheckStatus::Unknown;
}

// Nothing, with the reason, when the sweep could not complete.
std::optional<SweepResult> sweep(const SweepCheckOptions &options, QString *failure)
{
    std::optional<CheckTimeout> timeout;
    if (options.timeoutSeconds)
        timeout.emplace(QStringLiteral("sweep"), *options.timeoutSeconds, stderr);
    SweepEngine engine(options.settings);
    TerminalProgress progress;
    const bool showsProgress = CheckStream::isTerminal(stderr);
    std::optional<SweepResult> result
        = engine.run([&progress, showsProgress](int report, int reports) {
              if (showsProgress)
                  progress.show(report, reports);
          });
    if (!result) {
        *failure = engine.openFailed() ? ConnectionFailureText::describe(
                       options.settings.connection, engine.lastError(), options.settings.security)
                                       : engine.lastError();
    }
    return result;
}

} // namespace

int runSweepCheck(const SweepCheckOptions &options)
{
    // Standard output is the sweep's data: its failures go to standard error, so that
    // `sweep > x.csv` never puts one into the csv.
    QString failure;
    if (!options.outputPath.isEmpty() && !OutputFile::canWrite(options.outputPath, &failure))
        return unknown(QStringLiteral("the output cannot be written to %1: %2")
                           .arg(options.outputPath, failure));
    const std::optional<SweepResult> result = sweep(options, &failure);
    if (!result)
        return unknown(failure);
    if (!writeOutput(options, *result, &failure))
        return unknown(failure);
    return CheckStatus::Ok;
}

} // namespace tovik
