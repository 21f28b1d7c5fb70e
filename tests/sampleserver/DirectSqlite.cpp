#include "DirectSqlite.h"

#include <QFile>
#include <sqlite3.h>

namespace tovik::test {

namespace {

QVariant cell(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_NULL:
        return {};
    default:
        return QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
            sqlite3_column_bytes(statement, column));
    }
}

} // namespace

std::optional<DirectSqlite::Rows> DirectSqlite::rows(const QString &path, const QString &sql)
{
    sqlite3 *handle = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        sqlite3_close(handle);
        return std::nullopt;
    }
    sqlite3_stmt *statement = nullptr;
    std::optional<Rows> result;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr)
        == SQLITE_OK) {
        Rows rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QVariantList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row << cell(statement, i);
            rows << row;
        }
        result = rows;
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return result;
}

QList<QStringList> DirectSqlite::texts(const Rows &rows)
{
    QList<QStringList> texts;
    for (const QVariantList &row : rows) {
        QStringList line;
        for (const QVariant &value : row)
            line << (value.isNull() ? QString() : value.toString());
        texts << line;
    }
    return texts;
}

} // namespace tovik::test
