#include "OdbcStatement.h"

#include <QByteArray>

namespace tovik::bench {

OdbcStatement::~OdbcStatement()
{
    if (m_statement)
        SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
    if (m_connection) {
        SQLDisconnect(m_connection);
        SQLFreeHandle(SQL_HANDLE_DBC, m_connection);
    }
    if (m_environment)
        SQLFreeHandle(SQL_HANDLE_ENV, m_environment);
}

bool OdbcStatement::connect(const QString &odbcString)
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_environment))
        || !SQL_SUCCEEDED(SQLSetEnvAttr(
            m_environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))
        || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_environment, &m_connection)))
        return false;
    QByteArray text = odbcString.toUtf8();
    if (!SQL_SUCCEEDED(
            SQLDriverConnect(m_connection, nullptr, reinterpret_cast<SQLCHAR *>(text.data()),
                SQLSMALLINT(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
        return false;
    return SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_connection, &m_statement));
}

bool OdbcStatement::roundTrip(SQLCHAR *query)
{
    if (!SQL_SUCCEEDED(SQLExecDirect(m_statement, query, SQL_NTS)))
        return false;
    SQLRETURN fetched;
    while (SQL_SUCCEEDED(fetched = SQLFetch(m_statement))) {
        SQLINTEGER value = 0;
        SQLLEN indicator = 0;
        if (!SQL_SUCCEEDED(
                SQLGetData(m_statement, 1, SQL_C_SLONG, &value, sizeof value, &indicator)))
            return false;
    }
    return fetched == SQL_NO_DATA && SQL_SUCCEEDED(SQLCloseCursor(m_statement));
}

} // namespace tovik::bench
