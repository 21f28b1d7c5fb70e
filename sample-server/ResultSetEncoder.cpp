#include "ResultSetEncoder.h"

#include "RowSpool.h"
#include "SessionDatabase.h"
#include "TextCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

namespace tovik::sampleserver {

namespace {

std::string realText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text(buffer);
    if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

} // namespace

ResultSetEncoder::ResultSetEncoder(SessionDatabase &database, sqlite3_stmt *statement,
    PacketWriter &reply, const std::vector<std::string> &dateTimeAliases,
    const std::vector<LadderColumn> &ladderColumns)
    : m_database(database)
    , m_statement(statement)
    , m_reply(reply)
    , m_dateTimeAliases(dateTimeAliases)
    , m_ladderColumns(ladderColumns)
    , m_tokens(reply.body())
    , m_columnCount(sqlite3_column_count(statement))
{
}

ResultSetEncoder::Outcome ResultSetEncoder::run()
{
    initialiseTypes();
    RowSpool spool;
    int result = SQLITE_ROW;
    Row row(static_cast<std::size_t>(m_columnCount));
    while ((result = sqlite3_step(m_statement)) == SQLITE_ROW) {
        readRow(row);
        observe(row);
        if (!spool.append(row))
            return spoolFailure();
    }
    if (result != SQLITE_DONE)
        return failure(result);
    widenByCountRanges();
    if (m_columnCount > 0)
        writeMetadata();
    RowSpool::Reader reader = spool.reader();
    std::uint64_t count = 0;
    while (reader.next(row)) {
        writeRow(row);
        ++count;
        if (!m_reply.flushIfLarge())
            return {Status::Failed, count, m_columnCount > 0, {}};
    }
    if (count != spool.size())
        return spoolFailure();
    return {Status::Completed, count, m_columnCount > 0, {}};
}

ResultSetEncoder::Outcome ResultSetEncoder::spoolFailure() const
{
    return {Status::Failed, 0, false,
        {1105, 17,
            "Could not allocate space for a result in database 'tempdb' because the 'PRIMARY' "
            "filegroup is full.",
            2}};
}

ResultSetEncoder::Outcome ResultSetEncoder::failure(int result) const
{
    if (result == SQLITE_INTERRUPT && m_database.cancelled())
        return {Status::Cancelled, 0, false, {}};
    return {Status::Failed, 0, false, m_database.lastError()};
}

void ResultSetEncoder::initialiseTypes()
{
    for (int i = 0; i < m_columnCount; ++i) {
        const char *declared = sqlite3_column_decltype(m_statement, i);
        const char *rawName = sqlite3_column_name(m_statement, i);
        const std::string name = rawName ? rawName : "";
        const auto ladder = std::find_if(m_ladderColumns.begin(), m_ladderColumns.end(),
            [&name](const LadderColumn &column) { return column.alias == name; });
        if (!declared && ladder != m_ladderColumns.end()) {
            m_widths.push_back(ladder->names.size());
            for (const std::string &sum : ladder->names)
                addColumn(sum, ColumnTypeRules::forUndeclared(sum));
            continue;
        }
        const bool dateTimeAlias = std::find(m_dateTimeAliases.begin(), m_dateTimeAliases.end(),
                                       TextCodec::lowerAscii(name))
            != m_dateTimeAliases.end();
        m_widths.push_back(1);
        addColumn(name,
            declared            ? ColumnTypeRules::fromDeclaredType(declared)
                : dateTimeAlias ? ColumnType::DateTime
                                : ColumnTypeRules::forUndeclared(name));
    }
}

void ResultSetEncoder::addColumn(std::string name, std::optional<ColumnType> type)
{
    m_names.push_back(std::move(name));
    m_types.push_back(type);
    m_countRanges.emplace_back();
}

// The counts of a run of threshold sums as the statement gives them, one 64-bit value per sum in
// a blob, kept whole until the row is written; NULL as SUM gives without rows.
void ResultSetEncoder::readLadder(int column, CellValue &cell) const
{
    const auto *counts = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
    const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column));
    if (!counts) {
        cell = std::monostate {};
        return;
    }
    if (auto *kept = std::get_if<std::string>(&cell))
        kept->assign(counts, bytes);
    else
        cell = std::string(counts, bytes);
}

// The count of sum `index` of a run read by readLadder; none for a run over no rows.
std::optional<std::int64_t> ResultSetEncoder::ladderCount(const CellValue &cell, std::size_t index)
{
    const auto *counts = std::get_if<std::string>(&cell);
    std::int64_t count = 0;
    if (!counts || counts->size() < (index + 1) * sizeof count)
        return std::nullopt;
    std::memcpy(&count, counts->data() + index * sizeof count, sizeof count);
    return count;
}

CellValue ResultSetEncoder::cell(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return std::monostate {};
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        const int bytes = sqlite3_column_bytes(m_statement, column);
        return std::string(text ? text : "", static_cast<std::size_t>(bytes));
    }
    }
}

void ResultSetEncoder::readRow(Row &row) const
{
    for (int i = 0; i < m_columnCount; ++i) {
        if (m_widths[static_cast<std::size_t>(i)] > 1)
            readLadder(i, row[static_cast<std::size_t>(i)]);
        else
            row[static_cast<std::size_t>(i)] = cell(i);
    }
}

void ResultSetEncoder::observe(const Row &row)
{
    std::size_t column = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (m_widths[i] == 1) {
            m_types[column] = ColumnTypeRules::widened(m_types[column], row[i]);
            ++column;
            continue;
        }
        for (std::size_t k = 0; k < m_widths[i]; ++k, ++column) {
            if (const auto count = ladderCount(row[i], k))
                m_countRanges[column].include(*count);
        }
    }
}

// A type fits every integer between two it fits, so a run's types widen by their extremes once.
void ResultSetEncoder::widenByCountRanges()
{
    for (std::size_t column = 0; column < m_countRanges.size(); ++column) {
        const CountRange &range = m_countRanges[column];
        if (range.seen())
            m_types[column] = ColumnTypeRules::widened(
                ColumnTypeRules::widened(m_types[column], range.least), range.greatest);
    }
}

void ResultSetEncoder::writeMetadata()
{
    std::vector<ColumnDescription> columns;
    for (std::size_t i = 0; i < m_names.size(); ++i)
        columns.push_back({TextCodec::toUtf16(m_names[i]), ColumnTypeRules::finalType(m_types[i])});
    m_tokens.columnMetadata(columns);
}

void ResultSetEncoder::writeRow(const Row &row)
{
    m_tokens.rowStart();
    std::size_t column = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (m_widths[i] == 1) {
            writeCell(ColumnTypeRules::finalType(m_types[column]), row[i]);
            ++column;
            continue;
        }
        for (std::size_t k = 0; k < m_widths[i]; ++k, ++column)
            writeCount(ColumnTypeRules::finalType(m_types[column]), ladderCount(row[i], k));
    }
}

void ResultSetEncoder::writeCount(ColumnType type, std::optional<std::int64_t> count)
{
    if (!count)
        return m_tokens.nullValue(type);
    if (ColumnTypeRules::isInteger(type))
        return m_tokens.integerValue(type, *count);
    writeCell(type, *count);
}

void ResultSetEncoder::writeCell(ColumnType type, const CellValue &value)
{
    const auto *integer = std::get_if<std::int64_t>(&value);
    const auto *real = std::get_if<double>(&value);
    const auto *text = std::get_if<std::string>(&value);
    switch (type) {
    case ColumnType::SmallInt:
    case ColumnType::Int:
    case ColumnType::BigInt:
        return integer ? m_tokens.integerValue(type, *integer) : m_tokens.nullValue(type);
    case ColumnType::Float:
        if (integer || real)
            return m_tokens.floatValue(integer ? static_cast<double>(*integer) : *real);
        return m_tokens.nullValue(type);
    case ColumnType::DateTime: {
        const auto dateTime = text ? SqlDateTime::parse(*text) : std::nullopt;
        return dateTime ? m_tokens.dateTimeValue(*dateTime) : m_tokens.nullValue(type);
    }
    case ColumnType::NVarChar:
        if (integer)
            return m_tokens.textValue(TextCodec::fromAscii(std::to_string(*integer)));
        if (real)
            return m_tokens.textValue(TextCodec::fromAscii(realText(*real)));
        if (text)
            return m_tokens.textValue(TextCodec::toUtf16(*text));
        return m_tokens.nullValue(type);
    }
}

} // namespace tovik::sampleserver
