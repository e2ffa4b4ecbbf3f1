#include "connection/odbc/ServerWait.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace velloxa::odbc::ServerWait {

namespace {

std::atomic<bool> enabled{false};
std::atomic<qint64> since{0}; // the waiting call's start; 0: none waits

qint64 NowMs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::max<qint64>(1, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // namespace

void Enable()
{
    enabled = true;
}

Call::Call()
{
    if (enabled.load(std::memory_order_relaxed))
        since.store(NowMs(), std::memory_order_relaxed);
}

Call::~Call()
{
    if (enabled.load(std::memory_order_relaxed))
        since.store(0, std::memory_order_relaxed);
}

qint64 WaitingMs()
{
    const qint64 start = since.load(std::memory_order_relaxed);
    return start ? NowMs() - start : 0;
}

} // namespace velloxa::odbc::ServerWait
