#include "cli/RunWatchdog.h"

namespace tovik {

RunWatchdog::RunWatchdog(std::chrono::milliseconds timeout, std::function<void()> expire)
    : m_expire(std::move(expire))
    , m_thread([this, timeout] { watch(timeout); })
{
}

RunWatchdog::~RunWatchdog()
{
    disarm();
    m_thread.join();
}

void RunWatchdog::disarm()
{
    const std::lock_guard lock(m_mutex);
    m_disarmed = true;
    m_wake.notify_all();
}

void RunWatchdog::watch(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_wake.wait_for(lock, timeout, [this] { return m_disarmed; }))
        m_expire();
}

} // namespace tovik
