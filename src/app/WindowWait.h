#pragma once

#include <functional>
#include <optional>
#include <type_traits>

namespace velloxa {

class Wizard;

// The yield of a handler that waits for the database. The call runs on a helper thread while
// the window thread waits in a local event loop: the windows repaint, move and take a close,
// but the user's input to them is dropped (WindowInputBlock), so a handler never runs twice
// at once and nothing done meanwhile acts afterwards. Its failure is rethrown here, on the
// window thread, for the handler's error trap.
//
// Closing a window ends the program at once: the wait never returns to its handler. The call
// gets 0.8 s to come back (a running export cancels at its next progress check); one that
// does not (a login that never returns, a statement the server does not answer) is
// abandoned. Either way the process then ends, after removing any temporary file.
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
