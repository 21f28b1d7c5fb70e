#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tovik {

// Ends a run that takes too long, even while a query blocks the run's thread: once the timeout
// passes, expire runs on the watchdog's own thread, and is meant to end the process.
class RunWatchdog
{
public:
    RunWatchdog(std::chrono::milliseconds timeout, std::function<void()> expire);
    ~RunWatchdog();
    RunWatchdog(const RunWatchdog &) = delete;
    RunWatchdog &operator=(const RunWatchdog &) = delete;

    // From here on expire does not run; when it is running already, this waits for it, so that
    // an ending process does not also report the run's own result.
    void disarm();

private:
    void watch(std::chrono::milliseconds timeout);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_disarmed = false;
    std::function<void()> m_expire;
    std::thread m_thread;
};

} // namespace tovik
