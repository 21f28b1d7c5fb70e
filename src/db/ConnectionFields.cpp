#include "db/ConnectionFields.h"

#include "db/ConnectionDefaults.h"

namespace tovik {

std::optional<AuthMode> ConnectionFields::authMode() const
{
    // The modes in the order of the window's choices.
    const qsizetype index = ConnectionDefaults::authChoices().indexOf(SqlConnType);
    if (index < 0)
        return std::nullopt;
    return AuthMode(index);
}

ConnectionFields ConnectionFields::masked() const
{
    ConnectionFields copy = *this;
    if (!copy.SqlDbPass.isEmpty())
        copy.SqlDbPass = QStringLiteral("****");
    return copy;
}

} // namespace tovik
