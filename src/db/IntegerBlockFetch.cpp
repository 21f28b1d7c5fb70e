#include "db/IntegerBlockFetch.h"

#include <QStringList>
#include <sql.h>
#include <sqlext.h>
#include <vector>

namespace tovik {

namespace {

// Binds the columns to arrays of kRows values; false when the driver refuses any of it.
bool bindBlock(SQLHSTMT statement, std::vector<std::vector<SQLBIGINT>> &values,
    std::vector<std::vector<SQLLEN>> &indicators, std::vector<SQLUSMALLINT> &statuses,
    SQLULEN *fetched)
{
    const auto rows = reinterpret_cast<SQLPOINTER>(SQLULEN(IntegerBlockFetch::kRows));
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_BIND_TYPE,
            reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_BIND_BY_COLUMN)), 0))
        || !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, rows, 0))
        || !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_STATUS_PTR, statuses.data(), 0))
        || !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, fetched, 0)))
        return false;
    for (std::size_t c = 0; c < values.size(); ++c) {
        if (!SQL_SUCCEEDED(SQLBindCol(statement, SQLUSMALLINT(c + 1), SQL_C_SBIGINT,
                values[c].data(), sizeof(SQLBIGINT), indicators[c].data())))
            return false;
    }
    return true;
}

// Back to one row a fetch and nothing bound, as the statement's other users expect it.
void unbindBlock(SQLHSTMT statement)
{
    SQLFreeStmt(statement, SQL_UNBIND);
    SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
    SQLSetStmtAttr(statement, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
}

} // namespace

bool IntegerBlockFetch::read(void *handle, int columns, const Visit &visit,
    const std::function<bool()> &cancelled, QString *failure)
{
    const auto statement = static_cast<SQLHSTMT>(handle);
    const auto width = static_cast<std::size_t>(columns);
    const auto height = static_cast<std::size_t>(kRows);
    std::vector<std::vector<SQLBIGINT>> values(width, std::vector<SQLBIGINT>(height));
    std::vector<std::vector<SQLLEN>> indicators(width, std::vector<SQLLEN>(height));
    std::vector<SQLUSMALLINT> statuses(height);
    SQLULEN fetched = 0;
    std::vector<std::optional<qint64>> row(width);
    bool read = bindBlock(statement, values, indicators, statuses, &fetched);
    SQLRETURN result = SQL_SUCCESS;
    // SQLFetchScroll, not SQLFetch: under unixODBC, SQLFetch on a statement of Qt's connection
    // returns one row a call and leaves the fetched count unset.
    while (read && SQL_SUCCEEDED(result = SQLFetchScroll(statement, SQL_FETCH_NEXT, 0))) {
        if (cancelled()) {
            unbindBlock(statement);
            return false;
        }
        for (SQLULEN r = 0; r < fetched && read; ++r) {
            read = statuses[r] != SQL_ROW_ERROR;
            for (std::size_t c = 0; c < row.size(); ++c) {
                row[c] = indicators[c][r] == SQL_NULL_DATA ? std::nullopt
                                                           : std::optional<qint64>(values[c][r]);
            }
            if (read)
                visit(row.data());
        }
    }
    if (!read || result != SQL_NO_DATA) {
        *failure = diagnostics(statement);
        unbindBlock(statement);
        return false;
    }
    unbindBlock(statement);
    return true;
}

QString IntegerBlockFetch::diagnostics(void *handle)
{
    QStringList messages;
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[SQL_MAX_MESSAGE_LENGTH] = {};
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1; SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, handle, record, state,
             &native, text, SQLSMALLINT(sizeof text), &length));
         ++record)
        messages << QString::fromUtf8(reinterpret_cast<const char *>(text)).trimmed();
    return messages.isEmpty() ? QStringLiteral("The result could not be read.")
                              : messages.join(QLatin1Char(' '));
}

} // namespace tovik
