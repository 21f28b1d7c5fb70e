#include "cli/SweepCheck.h"

#include "cli/DataCheck.h"
#include "report/ReportWriter.h"
#include "report/SweepReport.h"
#include "sweep/LadderResult.h"
#include "sweep/SampleCoverage.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepJson.h"
#include "sweep/SweepTable.h"

namespace tovik {

namespace {

using Writer = bool (*)(QIODevice &, const SweepResult &, const SweepSettings &);

Writer writerOf(DataOutput::Format format)
{
    switch (format) {
    case DataOutput::Format::Json:
        return &SweepJson::write;
    case DataOutput::Format::Table:
        return &SweepTable::write;
    case DataOutput::Format::Csv:
    case DataOutput::Format::Pdf:
    case DataOutput::Format::Html:
        break;
    }
    return &SweepCsv::write;
}

// An occurrences value over every device-hour's samples leaves the output as it is, with a word
// on standard error that it can never fire.
DataCheck::Note neverFiresNote(const SweepSettings &settings)
{
    return [occurrences = settings.occurrences](const LadderResult &result) {
        return SampleCoverage::neverFiresText(occurrences, result.mostSamplesInAnHour());
    };
}

// The report shows the tuning surface over the explorer's ladder, so that the page the check
// writes is the one the explorer exports for the same result.
int runReport(const SweepCheckOptions &options)
{
    SweepSettings settings = options.settings;
    settings.ladder = ThresholdLadder::standard();
    const ReportWriter::Format format = options.output.chosenFormat() == DataOutput::Format::Html
        ? ReportWriter::Format::Html
        : ReportWriter::Format::Pdf;
    return DataCheck::run(
        QStringLiteral("sweep"), settings, options.output,
        [&](QIODevice &device, const LadderResult &result) {
            auto atThreshold
                = std::make_shared<const SweepResult>(*result.atThreshold(settings.threshold));
            const SweepReport report(
                settings, std::make_shared<const SweepGrid>(std::move(atThreshold)), &result);
            return ReportWriter::write(device, report, format);
        },
        neverFiresNote(settings));
}

} // namespace

int runSweepCheck(const SweepCheckOptions &options)
{
    if (options.output.isReport())
        return runReport(options);
    const Writer write = writerOf(options.output.chosenFormat());
    // The counted ladder always holds the settings' threshold.
    return DataCheck::run(
        QStringLiteral("sweep"), options.settings, options.output,
        [&](QIODevice &device, const LadderResult &result) {
            return write(device, *result.atThreshold(options.settings.threshold), options.settings);
        },
        neverFiresNote(options.settings));
}

} // namespace tovik
