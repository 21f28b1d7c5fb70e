#pragma once

#include <QString>

namespace tovik::test {

inline const QString kRunLogName = QStringLiteral("ZU-TestCpuLoad.txt");

// The run-log file's bytes as text, or a marker when there is no such file.
QString readRunLogFile(const QString &dir);
// Timing figures vary from run to run; "Time = 12 ms" becomes "Time = # ms".
QString withoutTimings(const QString &text);
// The millisecond figures of the timing lines, in order.
QList<quint32> timingFigures(const QString &text);

} // namespace tovik::test
