#pragma once

#include <QString>
#include <optional>

namespace tovik {

// The TCP port of a named instance, as the SQL Server Browser on the host's UDP port 1434 gives it.
class SqlBrowserLookup
{
public:
    // Nothing when the Browser does not answer within the time or knows no TCP port for it.
    static std::optional<quint16> tcpPort(const QString &host, const QString &instance, int waitMs);
};

} // namespace tovik
