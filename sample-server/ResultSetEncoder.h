#pragma once

#include "ColumnType.h"
#include "PacketWriter.h"
#include "SqlMessage.h"
#include "SqlTranslator.h"
#include "TokenWriter.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace tovik::sampleserver {

class SessionDatabase;

// Runs one prepared statement and writes its result as COLMETADATA and ROW tokens. Column types
// must be known before the first row goes out, yet SQLite only tells them row by row: the rows are
// kept in a spool (bounded memory, then a temporary file) until the last, so that the statement
// runs once however long its result.
class ResultSetEncoder
{
public:
    enum class Status { Completed, Failed, Cancelled };
    struct Outcome
    {
        Status status = Status::Completed;
        std::uint64_t rows = 0;
        bool hasColumns = false;
        SqlMessage error;
    };

    // `dateTimeAliases`: names (lower case) of undeclared columns that hold datetime values;
    // `ladderColumns`: columns sent as the several they stand for.
    ResultSetEncoder(SessionDatabase &database, sqlite3_stmt *statement, PacketWriter &reply,
        const std::vector<std::string> &dateTimeAliases = {},
        const std::vector<LadderColumn> &ladderColumns = {});

    Outcome run();

private:
    using Row = std::vector<CellValue>;
    struct CountRange
    {
        std::int64_t least = std::numeric_limits<std::int64_t>::max();
        std::int64_t greatest = std::numeric_limits<std::int64_t>::min();
        bool seen() const { return least <= greatest; }
        void include(std::int64_t count)
        {
            least = std::min(least, count);
            greatest = std::max(greatest, count);
        }
    };

    void initialiseTypes();
    void addColumn(std::string name, std::optional<ColumnType> type);
    void readLadder(int column, CellValue &cell) const;
    static std::optional<std::int64_t> ladderCount(const CellValue &cell, std::size_t index);
    CellValue cell(int column) const;
    void observe(const Row &row);
    void widenByCountRanges();
    void readRow(Row &row) const;
    Outcome failure(int result) const;
    void writeMetadata();
    void writeRow(const Row &row);
    void writeCount(ColumnType type, std::optional<std::int64_t> count);
    void writeCell(ColumnType type, const CellValue &value);
    Outcome spoolFailure() const;

    SessionDatabase &m_database;
    sqlite3_stmt *m_statement;
    PacketWriter &m_reply;
    const std::vector<std::string> &m_dateTimeAliases;
    const std::vector<LadderColumn> &m_ladderColumns;
    TokenWriter m_tokens;
    int m_columnCount = 0;
    // Per column as sent: a statement's column may stand for several.
    std::vector<std::string> m_names;
    std::vector<std::optional<ColumnType>> m_types;
    // The counts of the columns a run stands for, as far as read; unused for other columns.
    std::vector<CountRange> m_countRanges;
    // Per column of the statement: how many columns it is sent as.
    std::vector<std::size_t> m_widths;
};

} // namespace tovik::sampleserver
