#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovik::sampleserver {

struct DatabaseEntry
{
    std::string name;
    // Empty for the system databases, which exist without a file and hold no user tables.
    std::string path;
};

// The databases one server serves: the files DIR/<name>.sqlite, found without regard to letter
// case as SQL Server's default collation finds database names, beside the system databases.
// The directory is read on every look-up, so that files added while the server runs are served.
class DatabaseCatalog
{
public:
    explicit DatabaseCatalog(std::string directory);

    std::optional<DatabaseEntry> find(std::string_view name) const;
    // master, tempdb, model and msdb, then the served files by name.
    std::vector<std::string> names() const;

    static const std::vector<std::string> &systemDatabases();

private:
    std::vector<DatabaseEntry> files() const;

    std::string m_directory;
};

} // namespace tovik::sampleserver
