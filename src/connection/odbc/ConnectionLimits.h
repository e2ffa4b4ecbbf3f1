#pragma once

namespace velloxa::odbc {

// How long a connection waits for the server. The open gives up after 15 seconds, as the
// classic access layer does, so an unanswering server never holds a window for minutes; a
// statement waits as long as the server takes unless told otherwise.
struct ConnectionLimits {
    int loginSeconds = 15;
    int statementSeconds = 0; // 0: no limit
};

} // namespace velloxa::odbc
