#include "cli/StopSignals.h"

#include "export/PendingFiles.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace velloxa::StopSignals {

namespace {

constexpr auto GraceTime = std::chrono::milliseconds(500);

std::atomic<bool> stopRequested{false};
std::atomic<bool> runFinished{false};

#ifndef _WIN32
sigset_t StopSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

void WatchSignals()
{
    const sigset_t set = StopSet();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    stopRequested = true;
    std::this_thread::sleep_for(GraceTime);
    if (runFinished)
        return;
    std::fputs("velloxa-export: stopped; the output file was not changed\n", stderr);
    PendingFiles::EndProcessNow(130);
}
#else
void OnSignal(int)
{
    stopRequested = true;
}
#endif

} // namespace

void Block()
{
#ifndef _WIN32
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
#endif
}

void Watch()
{
#ifndef _WIN32
    std::thread(WatchSignals).detach();
#else
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#endif
}

bool StopRequested() { return stopRequested; }
void RunFinished() { runFinished = true; }

} // namespace velloxa::StopSignals
