#include "db/ConnectionSecurity.h"

namespace tovik {

bool ConnectionSecurity::checksCertificate() const
{
    return encryption == EncryptionMode::Strict
        || (encryption == EncryptionMode::Mandatory && !trustServerCertificate);
}

QStringList ConnectionSecurity::modeWords()
{
    return {QStringLiteral("optional"), QStringLiteral("mandatory"), QStringLiteral("strict")};
}

QString ConnectionSecurity::wordOf(EncryptionMode mode)
{
    return modeWords().at(int(mode));
}

std::optional<EncryptionMode> ConnectionSecurity::modeOf(const QString &word)
{
    const qsizetype index = modeWords().indexOf(word);
    if (index < 0)
        return std::nullopt;
    return EncryptionMode(index);
}

} // namespace tovik
