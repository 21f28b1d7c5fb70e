#include "cli/DataOutput.h"

#include "cli/CheckStream.h"

namespace tovik {

DataOutput::Format DataOutput::chosenFormat() const
{
    if (format)
        return *format;
    return outputPath.isEmpty() && CheckStream::isTerminal(stdout) ? Format::Table : Format::Csv;
}

} // namespace tovik
