#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace tovik::sampleserver {

// One line per request, "#<spid> <KIND> <detail>", written at once and unbuffered so that the
// log is complete whenever the server is killed. Line breaks inside SQL texts are written as \r
// and \n to keep one request on one line. Without a file it does nothing.
class RequestLog
{
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;

    // Truncates the file; false when it cannot be opened.
    bool open(const std::string &path);
    void write(std::uint16_t spid, std::string_view kind, std::string_view detail = {});

    static std::string escaped(std::string_view text);

private:
    std::mutex m_mutex;
    int m_fd = -1;
};

} // namespace tovik::sampleserver
