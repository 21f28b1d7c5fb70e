#include "cli/TuneCheck.h"

#include "cli/DataCheck.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneCsv.h"
#include "sweep/TuneJson.h"
#include "sweep/TuneTable.h"

namespace tovik {

namespace {

using Writer = bool (*)(QIODevice &, const TuneAnalysis &);

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
    TuneAnalysis analysis(options.settings, options.request);
    return DataCheck::stream(
        QStringLiteral("tuning"), options.settings, options.output,
        [&analysis](const SweepFrame &frame) { analysis.begin(frame); },
        [&analysis](const LadderCell &cell, const qint32 *counts) { analysis.add(cell, counts); },
        [&](QIODevice &device) { return write(device, analysis); },
        [&analysis] { return analysis.unmatchedIncidentsText(); });
}

} // namespace tovik
