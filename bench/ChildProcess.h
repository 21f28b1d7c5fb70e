#pragma once

#include "ChildReport.h"

#include <QStringList>
#include <optional>

namespace tovik::bench {

// Runs this program again with the arguments and hands back the report it printed; nothing, with
// *failure set, when it did not end well. A run at the largest sizes takes minutes, so only a
// hang is cut short.
std::optional<ChildReport> runChildProcess(const QStringList &arguments, QString *failure);

} // namespace tovik::bench
