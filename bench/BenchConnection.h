#pragma once

#include <QString>
#include <optional>

namespace tovik {
class DbConnection;
}

namespace tovik::bench {

// The ODBC connection string of a run's main connection to the server on port: the driver the
// program picks and the string it builds from the window's fields.
std::optional<QString> benchOdbcString(quint16 port, QString *failure);
// Opens the connection with that string and the connect options of a run.
bool openBenchConnection(DbConnection &connection, quint16 port, QString *failure);

} // namespace tovik::bench
