#include "cli/TuneCheck.h"

#include "cli/DataCheck.h"
#include "sweep/SurfaceCounter.h"
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
    // Counted while the rows are read: no node-hour is kept, however long the range.
    SurfaceCounter counter(options.settings.countedLadder(), options.occurrencesUpTo,
        options.settings.monitoredHours());
    return DataCheck::stream(
        QStringLiteral("tuning"), options.settings, options.output,
        [&counter](const LadderCell &cell, const qint32 *counts) { counter.add(cell, counts); },
        [&](QIODevice &device) {
            return write(device, TuningSurface(counter), options.settings, options.budget);
        });
}

} // namespace tovik
