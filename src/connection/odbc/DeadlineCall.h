#pragma once

#include <chrono>
#include <functional>

namespace velloxa::odbc {

// Runs `call` on a thread of its own and waits for it at most `limit`. True when it came
// back in time. Otherwise it is abandoned, not stopped (a driver call cannot be): it runs on
// unobserved, so it must own, through shared pointers, everything it touches.
bool CallWithin(std::chrono::milliseconds limit, std::function<void()> call);

} // namespace velloxa::odbc
