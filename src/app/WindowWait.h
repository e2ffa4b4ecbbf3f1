#pragma once

#include <functional>
#include <optional>
#include <type_traits>

namespace velloxa {

class Wizard;

// The yield of a handler that waits for the database. The call runs on a helper thread while
// the window thread waits in a local event loop: the windows repaint and take a close, but
// user input waits, so a handler never runs twice at once. Its failure is rethrown here, on
// the window thread, for the handler's error trap.
//
// Closing a window ends the program: the wait then gives the call 0.8 s to come back (a
// running export cancels at its next progress check). One that does not (a login that never
// returns, a statement the server does not answer) is abandoned: the process ends at once,
// after removing any temporary file.
void RunWhileWindowsWait(Wizard& wizard, const std::function<void()>& call);

template <typename Call>
auto WaitFor(Wizard& wizard, Call&& call) -> std::invoke_result_t<Call&>
{
    using Result = std::invoke_result_t<Call&>;
    if constexpr (std::is_void_v<Result>) {
        RunWhileWindowsWait(wizard, call);
    } else {
        std::optional<Result> result;
        RunWhileWindowsWait(wizard, [&] { result.emplace(call()); });
        return std::move(*result);
    }
}

} // namespace velloxa
