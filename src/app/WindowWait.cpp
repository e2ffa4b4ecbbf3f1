#include "app/WindowWait.h"

#include "app/Wizard.h"
#include "errors/Failure.h"

#include <QCoreApplication>
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

} // namespace

void RunWhileWindowsWait(Wizard& wizard, const std::function<void()>& call)
{
    const auto outcome = std::make_shared<Outcome>();
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

    if (!wizard.programEnding()) {
        wizard.setRunningWait(&loop);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        wizard.setRunningWait(nullptr);
    }
    if (!outcome->done) {
        // Left early: the program is ending, or the call was about to report back.
        QElapsedTimer grace;
        grace.start();
        while (!outcome->done && grace.elapsed() < GraceMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
            QThread::msleep(5);
        }
        if (!outcome->done) {
            wizard.services().endProcessNow();
            throw Failure(QStringLiteral("The program ended while the server did not answer."));
        }
    }
    if (outcome->failure)
        std::rethrow_exception(outcome->failure);
}

} // namespace velloxa
