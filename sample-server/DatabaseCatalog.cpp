#include "DatabaseCatalog.h"

#include "TextCodec.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tovik::sampleserver {

namespace {

constexpr std::string_view kExtension = ".sqlite";

} // namespace

DatabaseCatalog::DatabaseCatalog(std::string directory)
    : m_directory(std::move(directory))
{
}

const std::vector<std::string> &DatabaseCatalog::systemDatabases()
{
    static const std::vector<std::string> names {"master", "tempdb", "model", "msdb"};
    return names;
}

std::optional<DatabaseEntry> DatabaseCatalog::find(std::string_view name) const
{
    for (const std::string &system : systemDatabases()) {
        if (TextCodec::equalsIgnoringCase(system, name))
            return DatabaseEntry {system, {}};
    }
    for (const DatabaseEntry &entry : files()) {
        if (TextCodec::equalsIgnoringCase(entry.name, name))
            return entry;
    }
    return std::nullopt;
}

std::vector<std::string> DatabaseCatalog::names() const
{
    std::vector<std::string> names = systemDatabases();
    for (const DatabaseEntry &entry : files())
        names.push_back(entry.name);
    return names;
}

std::vector<DatabaseEntry> DatabaseCatalog::files() const
{
    std::vector<DatabaseEntry> entries;
    std::error_code error;
    for (const auto &item : std::filesystem::directory_iterator(m_directory, error)) {
        const std::filesystem::path &path = item.path();
        if (path.extension() != kExtension || !item.is_regular_file(error))
            continue;
        const std::string stem = path.stem().string();
        const bool isSystemName = std::any_of(systemDatabases().begin(), systemDatabases().end(),
            [&](const std::string &system) { return TextCodec::equalsIgnoringCase(system, stem); });
        if (!stem.empty() && !isSystemName)
            entries.push_back({stem, path.string()});
    }
    std::sort(entries.begin(), entries.end(), [](const DatabaseEntry &a, const DatabaseEntry &b) {
        const std::string lowerA = TextCodec::lowerAscii(a.name);
        const std::string lowerB = TextCodec::lowerAscii(b.name);
        return lowerA != lowerB ? lowerA < lowerB : a.name < b.name;
    });
    return entries;
}

} // namespace tovik::sampleserver
