#include "app/WindowWait.h"

#include "app/WindowInputBlock.h"
#include "app/Wizard.h"
#include "errors/Failure.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace velloxa {

namespace {

constexpr qint64 GraceMs = 800;

// What the helper thread hands back. Shared, so that an abandoned call never writes into a
// stack that has gone.
struct Outcome {
    std::exception_ptr failure;
    std::atomic<bool> done{false};
};

// Closing a window ends the program at once: no further step of the waiting handler runs.
// The call gets a short grace to come back, so that a cancelled export removes its own
// temporary file; the window thread takes no events meanwhile, so nothing (an error report
// of the call) opens after the windows went away.
[[noreturn]] void EndWithTheProgram(Wizard& wizard, const Outcome& outcome)
{
    QElapsedTimer grace;
    grace.start();
    while (!outcome.done && grace.elapsed() < GraceMs)
        QThread::msleep(5);
    wizard.services().endProcessNow();
    // Only a test's endProcessNow comes back: the handler then sees a failed step.
    throw Failure(QStringLiteral("The program ended while the server was being waited for."));
}

} // namespace

void RunWhileWindowsWait(Wizard& wizard, const std::function<void()>& call)
{
    const auto outcome = std::make_shared<Outcome>();
    if (wizard.programEnding())
        EndWithTheProgram(wizard, *outcome);

    QEventLoop loop;
    std::thread([outcome, &call, &loop] {
        try {
            call();
        } catch (...) {
            outcome->failure = std::current_exception();
        }
        // The loop lives until `done` is seen, so it is still there to be told.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        outcome->done = true;
    }).detach();

    {
        // Not ExcludeUserInputEvents: the window system's close request counts as user
        // input there, and would wait with the clicks until the call is back.
        const WindowInputBlock block(wizard.windows());
        wizard.setRunningWait(&loop);
        loop.exec();
        wizard.setRunningWait(nullptr);
    }
    if (wizard.programEnding())
        EndWithTheProgram(wizard, *outcome);
    while (!outcome->done) // the call has asked the loop to quit and is about to say so
        QThread::yieldCurrentThread();
    if (outcome->failure)
        std::rethrow_exception(outcome->failure);
}

} // namespace velloxa
