#pragma once

#include <QString>

namespace tovik::control {

// What the controls hold when the window opens, and what a host without a window takes when it is
// not told otherwise. The login timeout's default lives with the connection timeouts.
inline const QString kDefaultServerInstance = QStringLiteral("SNMPCONLINE");
inline const QString kDefaultPort = QStringLiteral("1433");
inline const QString kDefaultDatabase = QStringLiteral("SNMPCONLINE");
inline const QString kDefaultUser = QStringLiteral("sa");
inline const QString kDefaultThreshold = QStringLiteral("4");
inline const QString kDefaultOccurrences = QStringLiteral("1");
inline constexpr int kDefaultMonStartHour = 6;
inline constexpr int kDefaultMonStopHour = 23;

// The server box's default: this machine's instance of the monitoring product.
QString defaultServer();

} // namespace tovik::control
