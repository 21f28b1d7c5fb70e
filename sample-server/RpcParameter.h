#pragma once

#include "ByteReader.h"
#include "ColumnType.h"

#include <optional>
#include <string>

namespace tovik::sampleserver {

// One parameter of an RPC request, its value as the SQLite value it is bound as: integers and
// bit as integers, float and real as doubles, decimal and numeric as integers when their scale is
// 0 and as doubles otherwise, character types as UTF-8 texts, date and time types as the texts
// the served files keep ('YYYY-MM-DD hh:mm:ss[.fff]').
struct RpcParameter
{
    std::string name; // "@P1", or empty for a positional parameter
    bool output = false;
    std::string typeName; // SQL Server's name of the TYPE_INFO, e.g. "int", "nvarchar(4000)"
    CellValue value;

    // Reads name, status, TYPE_INFO and value; nothing for a malformed parameter or a type
    // outside the set above.
    static std::optional<RpcParameter> read(ByteReader &reader);
    // "@P1 datetime='2026-12-13 12:00:00'" for the request log.
    std::string logText() const;
};

} // namespace tovik::sampleserver
