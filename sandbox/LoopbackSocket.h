// A socket bound to the loopback address of one family (127.0.0.1 or ::1): the server never
// listens anywhere else.
#pragma once

#include <functional>
#include <vector>

namespace velloxa::sandbox {

// socketType: SOCK_STREAM or SOCK_DGRAM; port 0: any free port. Returns -1 (errno set) on failure.
int bindLoopback(int family, int socketType, int port);

// The port a bound socket got.
int boundPort(int socket);

// Waits for ever on the sockets and calls onReadable with each one that has input.
[[noreturn]] void serveReadable(const std::vector<int>& sockets, const std::function<void(int socket)>& onReadable);

} // namespace velloxa::sandbox
