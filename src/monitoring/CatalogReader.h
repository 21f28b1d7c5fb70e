#pragma once

#include "db/QueryRows.h"

#include <QString>
#include <optional>

namespace tovik {

class DbConnection;

// Runs the catalog queries of a report discovery on one connection and hears what each search
// found. As it stands it only reads, as a sweep wants; a test run derives from it to log and time
// every query, its rows and each search's finding.
class CatalogReader
{
public:
    enum class Listing { Reports, Tables, Databases };

    explicit CatalogReader(DbConnection &connection);
    virtual ~CatalogReader() = default;
    CatalogReader(const CatalogReader &) = delete;
    CatalogReader &operator=(const CatalogReader &) = delete;

    // Every row of sql; nothing when the query failed, with the connection's lastError() telling
    // why.
    virtual std::optional<QueryRows> read(Listing listing, const QString &sql);
    // After the Tables or Databases listing: whether it held the wanted name.
    virtual void searched(Listing listing, bool found);

protected:
    DbConnection &connection() const { return m_connection; }

private:
    DbConnection &m_connection;
};

} // namespace tovik
