#include "cli/DataOutput.h"

#include "cli/CheckStream.h"

namespace tovik {

DataOutput::Format DataOutput::chosenFormat() const
{
    if (format)
        return *format;
    return outputPath.isEmpty() && CheckStream::isTerminal(stdout) ? Format::Table : Format::Csv;
}

bool DataOutput::isReport() const
{
    const Format chosen = chosenFormat();
    return chosen == Format::Pdf || chosen == Format::Html;
}

OutputFile::Access DataOutput::access() const
{
    return isReport() ? OutputFile::Access::Private : OutputFile::Access::Shared;
}

} // namespace tovik
