#include "db/ConnectionFields.h"

namespace tovik {

std::optional<AuthMode> ConnectionFields::authMode() const
{
    if (SqlConnType == QLatin1String("Windows Authentication"))
        return AuthMode::Windows;
    if (SqlConnType == QLatin1String("Local SQL Authentication"))
        return AuthMode::LocalSql;
    if (SqlConnType == QLatin1String("Remote SQL Authentication"))
        return AuthMode::RemoteSql;
    return std::nullopt;
}

ConnectionFields ConnectionFields::masked() const
{
    ConnectionFields copy = *this;
    if (!copy.SqlDbPass.isEmpty())
        copy.SqlDbPass = QStringLiteral("****");
    return copy;
}

} // namespace tovik
