#include "cli/CheckTimeout.h"

#include "cli/CheckStatus.h"

#include <cstdlib>

namespace tovik {

namespace {

// A query can block the command's thread for as long as the server keeps it waiting, so the
// timeout ends the whole process from the watchdog's thread.
std::function<void()> endOnTimeout(const QString &command, int seconds, std::FILE *statusStream)
{
    const QByteArray line
        = (CheckStatus::unknown(QStringLiteral("the %1 did not end within %2 s (--timeout)")
                                    .arg(command)
                                    .arg(seconds))
                .line
            + u'\n')
              .toLocal8Bit();
    return [statusStream, line] {
        std::fflush(stdout);
        std::fwrite(line.constData(), 1, line.size(), statusStream);
        std::fflush(statusStream);
        std::_Exit(CheckStatus::Unknown);
    };
}

} // namespace

CheckTimeout::CheckTimeout(const QString &command, int seconds, std::FILE *statusStream)
    : m_watchdog(std::chrono::seconds(seconds), endOnTimeout(command, seconds, statusStream))
{
}

} // namespace tovik
