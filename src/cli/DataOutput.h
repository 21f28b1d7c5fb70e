#pragma once

#include "output/OutputFile.h"

#include <QString>
#include <optional>

namespace tovik {

// How a command whose output is data (sweep, tune) writes it.
struct DataOutput
{
    // The report formats write a file: they need an output path.
    enum class Format { Csv, Json, Table, Pdf, Html };

    // Nothing: a table for a terminal, csv for anything else.
    std::optional<Format> format;
    // Empty: standard output.
    QString outputPath;
    // Nothing: the command takes as long as its queries do.
    std::optional<int> timeoutSeconds;

    Format chosenFormat() const;
    bool isReport() const;
    // A report names devices with pictures and tables for sharing: only its owner may read it.
    OutputFile::Access access() const;
};

} // namespace tovik
