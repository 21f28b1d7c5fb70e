#pragma once

#include "cli/DataOutput.h"
#include "sweep/SweepEngine.h"

#include <QIODevice>
#include <functional>
#include <optional>

namespace tovik {

struct LadderResult;
struct SweepFrame;
struct SweepSettings;

// What the commands whose output is data (sweep, tune) do alike: the output checked before the
// first query, the sweep's queries under --timeout with the reports counted on a terminal, and the
// output written whole to standard output or to its file.
class DataCheck
{
public:
    // Writes the command's output of a complete result; false when the device fails.
    using Write = std::function<bool(QIODevice &, const LadderResult &)>;
    // A line for standard error about a complete result, besides its output; nothing for none.
    using Note = std::function<std::optional<QString>(const LadderResult &)>;

    // Exit 0 when the command completes, 3 with a "CPU LOAD UNKNOWN" line on standard error when
    // it cannot or when no report had a sample in the range; work names it in the line of a
    // timeout ("the sweep did not end ..."). Once the output is written, standard error names
    // the reports without samples and gets note's line.
    static int run(const QString &work, const SweepSettings &settings, const DataOutput &output,
        const Write &write, const Note &note = {});
    // run() for a command that counts what it needs while the rows are read: each node-hour goes
    // to sink and none is kept, after ready has the reports and the nodes; write then writes the
    // output from what sink counted and note gives its line for standard error.
    static int stream(const QString &work, const SweepSettings &settings, const DataOutput &output,
        const SweepEngine::FrameReady &ready, const SweepEngine::CellSink &sink,
        const std::function<bool(QIODevice &)> &write,
        const std::function<std::optional<QString>()> &note);
};

} // namespace tovik
