#pragma once

#include <QString>
#include <optional>

namespace tovik {

// How a command whose output is data (sweep, tune) writes it.
struct DataOutput
{
    enum class Format { Csv, Json, Table };

    // Nothing: a table for a terminal, csv for anything else.
    std::optional<Format> format;
    // Empty: standard output.
    QString outputPath;
    // Nothing: the command takes as long as its queries do.
    std::optional<int> timeoutSeconds;

    Format chosenFormat() const;
};

} // namespace tovik
