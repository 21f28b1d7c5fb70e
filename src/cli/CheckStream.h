#pragma once

#include <QString>
#include <cstdio>

namespace tovik {

// The check's lines on its standard streams.
namespace CheckStream {

// The line and a line end, flushed at once so that a line is never lost to an exit.
void writeLine(std::FILE *stream, const QString &line);
// Whether a person reads the stream, rather than a file, a pipe or a monitoring system.
bool isTerminal(std::FILE *stream);

} // namespace CheckStream

} // namespace tovik
