#pragma once

#include <QString>
#include <sql.h>
#include <sqlext.h>

namespace tovik::bench {

// One raw ODBC connection with one statement, straight on the driver manager: what the small
// round trip costs without Qt. The handles are freed in reverse order.
class OdbcStatement
{
public:
    OdbcStatement() = default;
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement &) = delete;
    OdbcStatement &operator=(const OdbcStatement &) = delete;

    bool connect(const QString &odbcString);
    // One execution with every row fetched and its first value read; false on any failure.
    bool roundTrip(SQLCHAR *query);

private:
    SQLHENV m_environment = SQL_NULL_HENV;
    SQLHDBC m_connection = SQL_NULL_HDBC;
    SQLHSTMT m_statement = SQL_NULL_HSTMT;
};

} // namespace tovik::bench
