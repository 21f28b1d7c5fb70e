#pragma once

#include "db/ConnectionTimeouts.h"

#include <QString>
#include <QStringList>
#include <QSysInfo>
#include <optional>

namespace tovik {

// What the connection settings hold before the user changes them, in the window and on every
// command line alike.
namespace ConnectionDefaults {

// The authentication choices in their order in the window; the first is the default.
inline QStringList authChoices()
{
    return {QStringLiteral("Windows Authentication"), QStringLiteral("Local SQL Authentication"),
        QStringLiteral("Remote SQL Authentication")};
}

// The words the command lines and the explorer's settings file give authChoices(), in their order.
inline QStringList authWords()
{
    return {QStringLiteral("windows"), QStringLiteral("local"), QStringLiteral("remote")};
}

// "windows", "local" or "remote" for one of authChoices(); empty for another text.
inline QString authWordOf(const QString &connType)
{
    return authWords().value(authChoices().indexOf(connType));
}

// The choice of authChoices() a word names; nothing for a word that is none of authWords().
inline std::optional<QString> authOfWord(const QString &word)
{
    const qsizetype index = authWords().indexOf(word);
    if (index < 0)
        return std::nullopt;
    return authChoices().at(index);
}

inline QString server()
{
    return QSysInfo::machineHostName() + QStringLiteral("\\SNMPCONLINE");
}

inline const QString port = QStringLiteral("1433");
inline const QString database = QStringLiteral("SNMPCONLINE");
inline const QString user = QStringLiteral("sa");
inline QString loginTimeout()
{
    return QString::number(ConnectionTimeouts::kDefaultLoginSeconds);
}

} // namespace ConnectionDefaults

} // namespace tovik
