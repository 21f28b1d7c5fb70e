#pragma once

struct sqlite3;

namespace tovik::sampleserver {

// T-SQL's DATEADD and DATEDIFF as SQLite functions over the stored date texts. The date part
// comes as a text (the translator quotes T-SQL's bare keyword); a number stands for days since
// 1900-01-01, as T-SQL converts an int to datetime, so DATEDIFF(hour, 0, d) counts hours from
// 1900-01-01 00:00:00. DATEDIFF counts the boundaries crossed, as T-SQL does; results are
// texts in the stored form (DATEADD) or integers (DATEDIFF).
class DateFunctions
{
public:
    static void registerOn(sqlite3 *handle);
};

} // namespace tovik::sampleserver
