#include "cli/StallWatch.h"

#include "connection/odbc/ServerWait.h"
#include "export/PendingFiles.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace velloxa::StallWatch {

namespace {

constexpr qint64 MarginMs = 500;
constexpr auto CheckInterval = std::chrono::milliseconds(100);

} // namespace

void Start(int seconds)
{
    odbc::ServerWait::Enable();
    std::thread([seconds] {
        for (;;) {
            std::this_thread::sleep_for(CheckInterval);
            if (odbc::ServerWait::WaitingMs() <= qint64(seconds) * 1000 + MarginMs)
                continue;
            std::fprintf(stderr,
                         "velloxa-export: Timeout expired: the server sent nothing for %d %s (--timeout); the output file "
                         "was not changed\n",
                         seconds, seconds == 1 ? "second" : "seconds");
            PendingFiles::EndProcessNow(1);
        }
    }).detach();
}

} // namespace velloxa::StallWatch
