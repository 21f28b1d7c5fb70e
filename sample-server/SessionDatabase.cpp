#include "SessionDatabase.h"

#include "ColumnType.h"
#include "DateFunctions.h"
#include "LadderFunctions.h"
#include "SqlTranslator.h"
#include "TextCodec.h"

#include <algorithm>
#include <cctype>
#include <sqlite3.h>

namespace tovik::sampleserver {

namespace {

constexpr int kProgressSteps = 10000;
constexpr int kBusyTimeoutMs = 2000;

std::string catalogSetup()
{
    const std::string tables = SqlTranslator::catalogViewName("tables");
    const std::string databases = SqlTranslator::catalogViewName("databases");
    return "CREATE TEMP VIEW " + tables
        + " AS SELECT name, rowid AS object_id, 1 AS schema_id, 'U' AS type,"
          " 'USER_TABLE' AS type_desc FROM main.sqlite_schema"
          " WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\';"
          "CREATE TEMP TABLE "
        + databases + " (name NVARCHAR(128), database_id INT, state_desc NVARCHAR(60));";
}

bool isReadAction(int action)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_PRAGMA:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        return true;
    default:
        return false;
    }
}

// The T-SQL functions that SQLite (or DateFunctions) computes as SQL Server does; LIKE is SQLite's
// function behind the operator. Every other function SQLite knows is SQLite's own.
bool isTsqlFunction(std::string_view name)
{
    static constexpr std::string_view kFunctions[]
        = {"abs", "avg", "coalesce", "count", "dateadd", "datediff", "dense_rank", "iif", "like",
            "max", "min", "nullif", "rank", "row_number", "sum"};
    const std::string lower = TextCodec::lowerAscii(name);
    return std::find(std::begin(kFunctions), std::end(kFunctions), lower) != std::end(kFunctions);
}

bool isNamePart(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

// The function's name as the statement spells it, where it is called (SQLite reports its own
// spelling).
std::string writtenName(std::string_view sql, std::string_view name)
{
    const std::string lowerSql = TextCodec::lowerAscii(sql);
    const std::string lowerName = TextCodec::lowerAscii(name);
    for (auto at = lowerSql.find(lowerName); at != std::string::npos;
         at = lowerSql.find(lowerName, at + 1)) {
        const std::size_t end = at + name.size();
        const auto open = lowerSql.find_first_not_of(" \t\r\n", end);
        if ((at == 0 || !isNamePart(sql[at - 1])) && open != std::string::npos
            && lowerSql[open] == '(')
            return std::string(sql.substr(at, name.size()));
    }
    return std::string(name);
}

bool isAttachAction(int action)
{
    return action == SQLITE_ATTACH || action == SQLITE_DETACH;
}

std::optional<std::string> suffixAfter(std::string_view text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return std::nullopt;
    return std::string(text.substr(prefix.size()));
}

// Served files are never written in place (generate and the test helpers write a new file and
// rename it), so SQLite may skip its file locking and change checks, which would otherwise cost
// several system calls per statement.
std::string immutableUri(const std::string &path)
{
    static constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || byte < 0x21 || byte >= 0x7F) {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0F];
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

} // namespace

void StatementDeleter::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

SessionDatabase::SessionDatabase() = default;

SessionDatabase::~SessionDatabase()
{
    close();
}

void SessionDatabase::close()
{
    if (m_handle)
        sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

std::optional<std::string> SessionDatabase::open(const DatabaseEntry &entry)
{
    close();
    m_name = entry.name;
    const bool virtualDatabase = entry.path.empty();
    const int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI
        | (virtualDatabase ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY : SQLITE_OPEN_READONLY);
    const std::string path = virtualDatabase ? ":memory:" : immutableUri(entry.path);
    if (sqlite3_open_v2(path.c_str(), &m_handle, flags, nullptr) != SQLITE_OK) {
        const std::string reason = m_handle ? sqlite3_errmsg(m_handle) : "out of memory";
        close();
        return reason;
    }
    sqlite3_busy_timeout(m_handle, kBusyTimeoutMs);
    // With QUOTED_IDENTIFIER ON, as every ODBC connection has it, "x" names a column: SQLite
    // would otherwise take an unknown one for the text 'x'.
    sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // Before the schema is read: an index of the sample tables is over DATEDIFF.
    DateFunctions::registerOn(m_handle);
    LadderFunctions::registerOn(m_handle);
    // SQL Server keeps what it reads in memory; without room for the tables' pages and the
    // sorter's, a query over a whole table would read each page many times over.
    // Reading the schema here finds a file that is not a database before the client sees a login.
    if (!runInternal("PRAGMA mmap_size = 4294967296; PRAGMA cache_size = -65536;"
                     " PRAGMA temp_store = MEMORY; SELECT count(*) FROM main.sqlite_schema;"
            + catalogSetup())) {
        const std::string reason = sqlite3_errmsg(m_handle);
        close();
        return reason;
    }
    readDateTimeColumns();
    sqlite3_set_authorizer(m_handle, &SessionDatabase::authorize, this);
    sqlite3_progress_handler(m_handle, kProgressSteps, &SessionDatabase::progress, this);
    return std::nullopt;
}

void SessionDatabase::refreshDatabaseList(const std::vector<std::string> &names)
{
    std::string sql = "DELETE FROM temp." + SqlTranslator::catalogViewName("databases") + ";";
    for (std::size_t i = 0; i < names.size(); ++i) {
        sql += "INSERT INTO temp." + SqlTranslator::catalogViewName("databases") + " VALUES ("
            + TextCodec::quoted(names[i]) + ", " + std::to_string(i + 1) + ", 'ONLINE');";
    }
    runInternal(sql);
}

void SessionDatabase::readDateTimeColumns()
{
    m_dateTimeColumns.clear();
    static constexpr const char *kColumns
        = "SELECT lower(c.name), c.type FROM main.sqlite_schema AS s, pragma_table_info(s.name) "
          "AS c WHERE s.type = 'table'";
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(m_handle, kColumns, -1, &raw, nullptr) != SQLITE_OK)
        return;
    const Statement statement(raw);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        const auto *name = reinterpret_cast<const char *>(sqlite3_column_text(raw, 0));
        const auto *type = reinterpret_cast<const char *>(sqlite3_column_text(raw, 1));
        if (name && type && ColumnTypeRules::fromDeclaredType(type) == ColumnType::DateTime)
            m_dateTimeColumns.insert(name);
    }
}

bool SessionDatabase::isDateTimeColumn(std::string_view lowerName) const
{
    return m_dateTimeColumns.find(lowerName) != m_dateTimeColumns.end();
}

bool SessionDatabase::runInternal(const std::string &sql)
{
    m_internal = true;
    const int result = sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, nullptr);
    m_internal = false;
    return result == SQLITE_OK;
}

SessionDatabase::Prepared SessionDatabase::prepare(std::string_view &sql)
{
    Prepared prepared;
    // An empty statement (";") yields no statement: go on to the next one, if any.
    while (!prepared.statement && !prepared.error && !sql.empty()) {
        const std::size_t before = sql.size();
        prepared = prepareOne(sql);
        if (sql.size() == before)
            break;
    }
    return prepared;
}

SessionDatabase::Prepared SessionDatabase::prepareOne(std::string_view &sql)
{
    m_writeDenied = false;
    m_refusedFunction.clear();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    const int result
        = sqlite3_prepare_v2(m_handle, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
    Prepared prepared;
    prepared.statement.reset(raw);
    // Statements the authorizer is not asked about (VACUUM INTO writes a new file) are caught
    // by SQLite's own verdict on the compiled statement.
    if (result == SQLITE_OK && raw && !sqlite3_stmt_readonly(raw))
        m_writeDenied = true;
    if (result != SQLITE_OK || m_writeDenied) {
        prepared.statement.reset();
        prepared.error = m_refusedFunction.empty()
            ? lastError()
            : SqlTranslator::unknownFunction(writtenName(sql, m_refusedFunction));
        return prepared;
    }
    sql.remove_prefix(static_cast<std::size_t>(tail - sql.data()));
    return prepared;
}

std::optional<SqlMessage> SessionDatabase::bind(sqlite3_stmt *statement, const Bindings &values)
{
    const int count = sqlite3_bind_parameter_count(statement);
    for (int i = 1; i <= count; ++i) {
        const char *raw = sqlite3_bind_parameter_name(statement, i);
        const std::string name = raw ? raw : "?";
        // SQLite's own parameter forms (?, ?NNN, :name, $name) are no T-SQL.
        if (name.front() != '@')
            return SqlMessage {102, 15, "Incorrect syntax near '" + name.substr(0, 1) + "'."};
        const auto found = std::find_if(values.begin(), values.end(), [&name](const auto &value) {
            return TextCodec::equalsIgnoringCase(value.first, name);
        });
        if (found == values.end())
            return SqlMessage {137, 15, "Must declare the scalar variable \"" + name + "\"."};
        bindValue(statement, i, found->second);
    }
    return std::nullopt;
}

void SessionDatabase::bindValue(sqlite3_stmt *statement, int index, const CellValue &value)
{
    if (const auto *integer = std::get_if<std::int64_t>(&value))
        sqlite3_bind_int64(statement, index, *integer);
    else if (const auto *real = std::get_if<double>(&value))
        sqlite3_bind_double(statement, index, *real);
    else if (const auto *text = std::get_if<std::string>(&value))
        sqlite3_bind_text(
            statement, index, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(statement, index);
}

SqlMessage SessionDatabase::lastError() const
{
    if (m_writeDenied) {
        return {3906, 16,
            "Failed to update database \"" + m_name + "\" because the database is read-only."};
    }
    return translateError(sqlite3_errmsg(m_handle));
}

SqlMessage SessionDatabase::translateError(std::string_view sqliteMessage)
{
    if (const auto table = suffixAfter(sqliteMessage, "no such table: "))
        return {208, 16, "Invalid object name '" + *table + "'."};
    if (const auto column = suffixAfter(sqliteMessage, "no such column: "))
        return {207, 16, "Invalid column name '" + *column + "'."};
    if (const auto function = suffixAfter(sqliteMessage, "no such function: "))
        return SqlTranslator::unknownFunction(*function);
    if (sqliteMessage.find("syntax error") != std::string_view::npos)
        return {102, 15, std::string(sqliteMessage)};
    if (sqliteMessage.starts_with("Conversion failed when converting"))
        return {245, 16, std::string(sqliteMessage)};
    return {50000, 16, std::string(sqliteMessage)};
}

int SessionDatabase::authorize(
    void *self, int action, const char *, const char *function, const char *, const char *)
{
    auto *database = static_cast<SessionDatabase *>(self);
    if (database->m_internal)
        return SQLITE_OK;
    // The translator refuses the ladder functions in a client's text, so any call is its own.
    if (action == SQLITE_FUNCTION && !isTsqlFunction(function ? function : "")
        && !LadderFunctions::isLadderFunction(function ? function : "")) {
        database->m_refusedFunction = function ? function : "";
        return SQLITE_DENY;
    }
    if (isReadAction(action))
        return SQLITE_OK;
    database->m_writeDenied = !isAttachAction(action);
    return SQLITE_DENY;
}

int SessionDatabase::progress(void *self)
{
    auto *database = static_cast<SessionDatabase *>(self);
    if (database->m_cancelProbe && database->m_cancelProbe())
        database->m_cancelled = true;
    return database->m_cancelled ? 1 : 0;
}

} // namespace tovik::sampleserver
