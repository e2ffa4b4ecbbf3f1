#include "connection/odbc/DeadlineCall.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace velloxa::odbc {

namespace {

struct Completion {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

} // namespace

bool CallWithin(std::chrono::milliseconds limit, std::function<void()> call)
{
    const auto completion = std::make_shared<Completion>();
    std::thread([completion, call = std::move(call)] {
        call();
        const std::lock_guard lock(completion->mutex);
        completion->done = true;
        completion->finished.notify_all();
    }).detach();
    std::unique_lock lock(completion->mutex);
    return completion->finished.wait_for(lock, limit, [&] { return completion->done; });
}

} // namespace velloxa::odbc
