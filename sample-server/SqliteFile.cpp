#include "SqliteFile.h"

#include "DateFunctions.h"

#include <cstdio>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace tovik::sampleserver {

SqliteFile::SqliteFile(std::string path)
    : m_path(std::move(path))
    , m_temporaryPath(m_path + ".tmp")
{
}

SqliteFile::~SqliteFile()
{
    close();
    std::error_code error;
    std::filesystem::remove(m_temporaryPath, error);
}

void SqliteFile::close()
{
    for (sqlite3_stmt *statement : m_statements)
        sqlite3_finalize(statement);
    m_statements.clear();
    if (m_handle)
        sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

std::optional<std::string> SqliteFile::create()
{
    std::error_code error;
    std::filesystem::remove(m_temporaryPath, error);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(m_temporaryPath.c_str(), &m_handle, flags, nullptr) != SQLITE_OK)
        return "cannot create " + m_temporaryPath + ": " + errorText();
    // An index of the sample tables is over an expression with DATEDIFF.
    DateFunctions::registerOn(m_handle);
    // The file is renamed into place only when complete: no journal is needed. The indexes are
    // built after the rows, each a sort of a whole sample table: a large cache keeps a month's
    // sort in few merge passes, and a second thread sorts beside the first.
    return execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = "
                   "-262144; PRAGMA threads = 2; BEGIN;");
}

std::optional<std::string> SqliteFile::execute(const std::string &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return std::nullopt;
    std::string text = message ? message : "unknown error";
    sqlite3_free(message);
    return text + " in: " + sql;
}

sqlite3_stmt *SqliteFile::prepare(const std::string &sql)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(m_handle, sql.c_str(), -1, &statement, nullptr);
    if (statement)
        m_statements.push_back(statement);
    return statement;
}

std::optional<std::string> SqliteFile::stepOnce(sqlite3_stmt *statement)
{
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (result == SQLITE_DONE)
        return std::nullopt;
    return errorText();
}

std::optional<std::string> SqliteFile::commit()
{
    if (auto error = execute("COMMIT;"))
        return error;
    close();
    std::error_code error;
    std::filesystem::rename(m_temporaryPath, m_path, error);
    if (error)
        return "cannot rename " + m_temporaryPath + " to " + m_path + ": " + error.message();
    return std::nullopt;
}

std::string SqliteFile::errorText() const
{
    return m_handle ? sqlite3_errmsg(m_handle) : "out of memory";
}

} // namespace tovik::sampleserver
