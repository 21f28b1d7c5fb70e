#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace tovik::bench {

// A connection through Qt's ODBC driver with the very settings a test run uses: the driver the
// program picks, its connection string and its connect options.
class BenchConnection
{
public:
    explicit BenchConnection(quint16 port);
    ~BenchConnection();
    BenchConnection(const BenchConnection &) = delete;
    BenchConnection &operator=(const BenchConnection &) = delete;

    // The ODBC connection string of a run's main connection to the server on port.
    static std::optional<QString> odbcString(quint16 port, QString *failure);

    bool open(QString *failure);
    QSqlDatabase &database() { return m_db; }
    void close();

private:
    quint16 m_port;
    QString m_name;
    QSqlDatabase m_db;
};

} // namespace tovik::bench
