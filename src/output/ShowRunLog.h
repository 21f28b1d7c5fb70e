#pragma once

#include <QString>

namespace tovik {

class RunHost;

inline constexpr char RunLogFileName[] = "ZU-TestCpuLoad.txt";

// Writes the text and a final CR LF to "ZU-TestCpuLoad.txt" beside the program, or in the
// user's application data directory when the program's directory cannot be written, waits
// until the file can be seen and asks the viewer to open it. When neither place can be
// written it warns, naming the paths and reasons. Returns the path written, or empty text.
QString ShowRunLog(RunHost &host, const QString &text);

} // namespace tovik
