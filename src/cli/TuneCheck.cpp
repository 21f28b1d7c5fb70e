#include "cli/TuneCheck.h"

#include "cli/DataCheck.h"
#include "sweep/LadderResult.h"
#include "sweep/TuneCsv.h"
#include "sweep/TuneJson.h"
#include "sweep/TuneTable.h"

namespace tovik {

namespace {

using Writer
    = bool (*)(QIODevice &, const TuningSurface &, const SweepSettings &, std::optional<double>);

Writer writerOf(DataOutput::Format format)
{
    switch (format) {
    case DataOutput::Format::Json:
        return &TuneJson::write;
    case DataOutput::Format::Table:
        return &TuneTable::write;
    case DataOutput::Format::Csv:
    case DataOutput::Format::Pdf:
    case DataOutput::Format::Html:
        break;
    }
    return &TuneCsv::write;
}

} // namespace

int runTuneCheck(const TuneCheckOptions &options)
{
    const Writer write = writerOf(options.output.chosenFormat());
    return DataCheck::run(QStringLiteral("tuning"), options.settings, options.output,
        [&](QIODevice &device, const LadderResult &result) {
            return write(device, TuningSurface(result, options.occurrencesUpTo), options.settings,
                options.budget);
        });
}

} // namespace tovik
