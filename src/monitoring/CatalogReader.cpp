#include "monitoring/CatalogReader.h"

#include "db/DbConnection.h"

namespace tovik {

CatalogReader::CatalogReader(DbConnection &connection)
    : m_connection(connection)
{
}

std::optional<QueryRows> CatalogReader::read(Listing, const QString &sql)
{
    return m_connection.exec(sql) ? m_connection.fetchAll() : std::nullopt;
}

void CatalogReader::searched(Listing, bool)
{
}

} // namespace tovik
