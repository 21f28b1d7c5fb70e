#pragma once

#include "ColumnType.h"
#include "DatabaseCatalog.h"
#include "SqlMessage.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tovik::sampleserver {

struct StatementDeleter
{
    void operator()(sqlite3_stmt *statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// The SQLite handle of one session: a served file opened read-only, or an empty in-memory
// database standing for a system database. It carries the session's catalog views and refuses
// every statement that would change data or schema, even in the temp schema that SQLite would
// let a read-only handle write.
class SessionDatabase
{
public:
    SessionDatabase();
    ~SessionDatabase();
    SessionDatabase(const SessionDatabase &) = delete;
    SessionDatabase &operator=(const SessionDatabase &) = delete;

    // Nothing on success, else the reason the database cannot be used.
    std::optional<std::string> open(const DatabaseEntry &entry);
    const std::string &name() const { return m_name; }

    void refreshDatabaseList(const std::vector<std::string> &names);
    // Whether some table of the database declares a DATETIME column of that (lower-case) name.
    bool isDateTimeColumn(std::string_view lowerName) const;
    // Polled while a statement runs; true interrupts it.
    void setCancelProbe(std::function<bool()> probe) { m_cancelProbe = std::move(probe); }

    struct Prepared
    {
        Statement statement;
        std::optional<SqlMessage> error;
    };
    // Prepares the first statement of `sql` and moves `sql` past it; no statement and no error
    // when only blanks and comments remain.
    Prepared prepare(std::string_view &sql);
    SqlMessage lastError() const;

    // Parameter name ("@P1") and value.
    using Bindings = std::vector<std::pair<std::string, CellValue>>;
    // Binds every parameter of the statement by name, ignoring letter case; an error for a
    // parameter without a value and for SQLite's own parameter forms.
    static std::optional<SqlMessage> bind(sqlite3_stmt *statement, const Bindings &values);
    bool cancelled() const { return m_cancelled; }
    void resetCancel() { m_cancelled = false; }

    static SqlMessage translateError(std::string_view sqliteMessage);

private:
    static int authorize(
        void *self, int action, const char *, const char *, const char *, const char *);
    static int progress(void *self);
    static void bindValue(sqlite3_stmt *statement, int index, const CellValue &value);
    Prepared prepareOne(std::string_view &sql);
    bool runInternal(const std::string &sql);
    void readDateTimeColumns();
    void close();

    sqlite3 *m_handle = nullptr;
    std::string m_name;
    bool m_internal = false;
    bool m_writeDenied = false;
    bool m_cancelled = false;
    // A function the statement calls that is no T-SQL function, as SQLite names it.
    std::string m_refusedFunction;
    std::function<bool()> m_cancelProbe;
    std::set<std::string, std::less<>> m_dateTimeColumns;
};

} // namespace tovik::sampleserver
