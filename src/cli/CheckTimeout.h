#pragma once

#include "cli/RunWatchdog.h"

#include <QString>
#include <cstdio>

namespace tovik {

// The check's --timeout: while it lives, a command that takes longer than seconds ends the
// process at once with an UNKNOWN line on statusStream and exit 3, whatever query is blocking.
// Nothing the command would write after its work is written.
class CheckTimeout
{
public:
    // command names the work in the line: "the run did not end within 60 s (--timeout)".
    CheckTimeout(const QString &command, int seconds, std::FILE *statusStream);

private:
    RunWatchdog m_watchdog;
};

} // namespace tovik
