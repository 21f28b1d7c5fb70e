#include "db/IntegerBlockFetch.h"

#include <QStringList>
#include <cstring>
#include <sql.h>
#include <sqlext.h>
#include <vector>

namespace tovik {

namespace {

// A column's bound array. SQL Server's signed integers are bound as binary: the driver copies the
// integer as it holds it, where a conversion to a 64-bit integer goes through its general
// converter for every value, which costs a sweep's aggregate more than all its other reading.
// Any other type (tinyint is unsigned, a sum may be decimal) is converted by the driver.
struct BoundColumn
{
    bool isCopied = false;
    std::vector<SQLBIGINT> values;
    std::vector<SQLLEN> indicators;
};

bool isSignedInteger(SQLSMALLINT sqlType)
{
    return sqlType == SQL_SMALLINT || sqlType == SQL_INTEGER || sqlType == SQL_BIGINT;
}

std::vector<BoundColumn> describeColumns(SQLHSTMT statement, std::size_t width, bool *described)
{
    std::vector<BoundColumn> columns(width);
    for (std::size_t c = 0; c < width && *described; ++c) {
        SQLSMALLINT sqlType = 0;
        *described = SQL_SUCCEEDED(SQLDescribeCol(statement, SQLUSMALLINT(c + 1), nullptr, 0,
            nullptr, &sqlType, nullptr, nullptr, nullptr));
        columns[c].isCopied = isSignedInteger(sqlType);
        columns[c].values.resize(std::size_t(IntegerBlockFetch::kRows));
        columns[c].indicators.resize(std::size_t(IntegerBlockFetch::kRows));
    }
    return columns;
}

// Binds the columns to arrays of kRows values; false when the driver refuses any of it.
bool bindBlock(SQLHSTMT statement, std::vector<BoundColumn> &columns,
    std::vector<SQLUSMALLINT> &statuses, SQLULEN *fetched)
{
    const auto rows = reinterpret_cast<SQLPOINTER>(SQLULEN(IntegerBlockFetch::kRows));
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_BIND_TYPE,
            reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_BIND_BY_COLUMN)), 0))
        || !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, rows, 0))
        || !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_STATUS_PTR, statuses.data(), 0))
        || !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, fetched, 0)))
        return false;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        BoundColumn &column = columns[c];
        if (!SQL_SUCCEEDED(SQLBindCol(statement, SQLUSMALLINT(c + 1),
                column.isCopied ? SQL_C_BINARY : SQL_C_SBIGINT, column.values.data(),
                sizeof(SQLBIGINT), column.indicators.data())))
            return false;
    }
    return true;
}

template<typename T>
qint64 copiedInteger(const SQLBIGINT &slot)
{
    T value = 0;
    std::memcpy(&value, &slot, sizeof value);
    return value;
}

// Row r's value; false for a copied integer of a width no signed type has.
bool valueAt(const BoundColumn &column, SQLULEN r, std::optional<qint64> *value)
{
    const SQLLEN length = column.indicators[r];
    if (length == SQL_NULL_DATA) {
        *value = std::nullopt;
        return true;
    }
    if (!column.isCopied) {
        *value = column.values[r];
        return true;
    }
    switch (length) {
    case sizeof(qint16):
        *value = copiedInteger<qint16>(column.values[r]);
        return true;
    case sizeof(qint32):
        *value = copiedInteger<qint32>(column.values[r]);
        return true;
    case sizeof(qint64):
        *value = copiedInteger<qint64>(column.values[r]);
        return true;
    default:
        return false;
    }
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
    bool read = true;
    std::vector<BoundColumn> bound
        = describeColumns(statement, static_cast<std::size_t>(columns), &read);
    std::vector<SQLUSMALLINT> statuses(static_cast<std::size_t>(kRows));
    SQLULEN fetched = 0;
    std::vector<std::optional<qint64>> row(bound.size());
    read = read && bindBlock(statement, bound, statuses, &fetched);
    bool widthsKnown = true;
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
            for (std::size_t c = 0; c < row.size() && read && widthsKnown; ++c)
                widthsKnown = valueAt(bound[c], r, &row[c]);
            read = read && widthsKnown;
            if (read)
                visit(row.data());
        }
    }
    // Before unbinding, which clears the statement's diagnostics.
    if (!widthsKnown)
        *failure = QStringLiteral("The driver returned an integer of a width no integer type has.");
    else if (!read || result != SQL_NO_DATA)
        *failure = diagnostics(statement);
    unbindBlock(statement);
    return widthsKnown && read && result == SQL_NO_DATA;
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
