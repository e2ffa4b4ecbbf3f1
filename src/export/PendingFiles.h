#pragma once

#include <QString>

#include <mutex>

namespace velloxa {

// Named temporary files of writes still in progress, so that an abrupt end of the process
// (a signal, a window closed during a stalled call) can remove them first. Unnamed
// temporary files need none of this: the system drops them with the process.
namespace PendingFiles {

void add(const QString& name);
void remove(const QString& name);

// Held while a finished file takes its name, so an abrupt end never splits that step.
std::mutex& commitLock();

// Ends the process at once with `status`, after removing every pending file (waiting for a
// commit in progress to finish). For callers that cannot wait for a blocked driver call.
[[noreturn]] void EndProcessNow(int status);

} // namespace PendingFiles

} // namespace velloxa
