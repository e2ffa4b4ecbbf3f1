#pragma once

#include <QtGlobal>

namespace velloxa::odbc::ServerWait {

// The statement calls that wait for the server (execute, fetch, reading a long value) mark
// themselves here, so that a watchdog can tell how long the server has kept the current one
// waiting. The driver's own query timeout ends such a wait only after twice its limit when the
// server does not answer the cancel it sends. Process-wide, for the command line's single run;
// costs one relaxed load per call until enabled.

void Enable();

// Marks one waiting call for its lifetime.
class Call {
public:
    Call();
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
};

// How long the call now waiting has waited, in milliseconds; 0 when none waits.
qint64 WaitingMs();

} // namespace velloxa::odbc::ServerWait
