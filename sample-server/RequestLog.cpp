#include "RequestLog.h"

#include <fcntl.h>
#include <unistd.h>

namespace tovik::sampleserver {

RequestLog::~RequestLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RequestLog::open(const std::string &path)
{
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    return m_fd >= 0;
}

void RequestLog::write(std::uint16_t spid, std::string_view kind, std::string_view detail)
{
    if (m_fd < 0)
        return;
    // Appended piece by piece: GCC 12 at -O3 sees a false overlap (-Wrestrict) in
    // "literal" + std::string temporaries.
    std::string line = "#";
    line += std::to_string(spid);
    line += ' ';
    line += kind;
    if (!detail.empty()) {
        line += ' ';
        line += escaped(detail);
    }
    line += '\n';
    const std::lock_guard lock(m_mutex);
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(m_fd, line.data() + written, line.size() - written);
        if (result <= 0)
            return;
        written += static_cast<std::size_t>(result);
    }
}

std::string RequestLog::escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
    return out;
}

} // namespace tovik::sampleserver
