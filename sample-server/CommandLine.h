#pragma once

#include "GenerateOptions.h"
#include "ServeOptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovik::sampleserver {

// The two commands, `serve` and `generate`, and their options. Other tools rely on these names.
class CommandLine
{
public:
    template<typename Options>
    struct Parsed
    {
        std::optional<Options> options;
        std::string error;
    };

    // Arguments after the command word.
    static Parsed<ServeOptions> parseServe(const std::vector<std::string> &arguments);
    static Parsed<GenerateOptions> parseGenerate(const std::vector<std::string> &arguments);
    static std::string usage();
    static std::optional<long long> parseInteger(
        std::string_view text, long long minimum, long long maximum);
    // A local time 'YYYY-MM-DD HH:MM:SS'.
    static std::optional<std::time_t> parseLocalTime(const std::string &text);

private:
    static std::optional<std::string> applyServeOption(
        ServeOptions &options, const std::string &name, const std::string &value);
    static std::optional<std::string> applyGenerateOption(
        GenerateOptions &options, const std::string &name, const std::string &value);
    static std::optional<std::string> checkDataDir(const std::string &dataDir, bool mustExist);
};

} // namespace tovik::sampleserver
