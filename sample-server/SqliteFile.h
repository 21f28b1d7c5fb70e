#pragma once

#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tovik::sampleserver {

// A database file being written by `generate`. It is built under a temporary name and renamed
// into place when complete, so that a running server never sees half a database.
class SqliteFile
{
public:
    explicit SqliteFile(std::string path);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    std::optional<std::string> create();
    std::optional<std::string> execute(const std::string &sql);
    // A statement owned by the file, finalized when the file is closed; nullptr when the SQL
    // does not compile, which stepOnce() then reports.
    sqlite3_stmt *prepare(const std::string &sql);
    // Steps and resets a statement; the error text on failure.
    std::optional<std::string> stepOnce(sqlite3_stmt *statement);
    std::optional<std::string> commit();
    std::string errorText() const;

private:
    void close();

    std::string m_path;
    std::string m_temporaryPath;
    sqlite3 *m_handle = nullptr;
    std::vector<sqlite3_stmt *> m_statements;
};

} // namespace tovik::sampleserver
