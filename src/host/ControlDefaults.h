#pragma once

#include <QString>

namespace tovik::control {

// What the alarm-setting controls hold when the window opens, and what a host without a window
// takes when it is not told otherwise. The connection settings' defaults live with the
// connection (db/ConnectionDefaults.h).
inline const QString kDefaultThreshold = QStringLiteral("4");
inline const QString kDefaultOccurrences = QStringLiteral("1");
inline constexpr int kDefaultMonStartHour = 6;
inline constexpr int kDefaultMonStopHour = 23;

} // namespace tovik::control
