#pragma once

#include "db/ConnectionTimeouts.h"

#include <QString>
#include <QStringList>
#include <QSysInfo>

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
