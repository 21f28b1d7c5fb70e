#include "cli/SweepCheck.h"

#include "cli/DataCheck.h"
#include "sweep/LadderResult.h"
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
        break;
    }
    return &SweepCsv::write;
}

} // namespace

int runSweepCheck(const SweepCheckOptions &options)
{
    const Writer write = writerOf(options.output.chosenFormat());
    // The counted ladder always holds the settings' threshold.
    return DataCheck::run(QStringLiteral("sweep"), options.settings, options.output,
        [&](QIODevice &device, const LadderResult &result) {
            return write(device, *result.atThreshold(options.settings.threshold), options.settings);
        });
}

} // namespace tovik
