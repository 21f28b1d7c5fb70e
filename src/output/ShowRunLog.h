#pragma once

#include <QString>

namespace tovik {

class RunHost;
class RunLog;

inline constexpr char RunLogFileName[] = "ZU-TestCpuLoad.txt";

// Writes the run's log, closingText and a final CR LF to "ZU-TestCpuLoad.txt" beside the program,
// or in the user's application data directory when the program runs from the directory it was
// installed to or its directory cannot be written. The file is for its owner only: it holds the
// devices' trap communities. Then it waits until the file can be seen and asks the viewer to
// open it. When neither place can be written it warns, naming the paths and reasons. Returns the
// path written, or empty text. The file is written from the log's own bytes: the log can be tens of
// megabytes, and a copy with the closing text added would double that.
QString ShowRunLog(RunHost &host, const RunLog &log, const QString &closingText = {});

// What the file holds after the log's own bytes: closingText and the final CR LF.
QByteArray runLogEnding(const QString &closingText);

} // namespace tovik
