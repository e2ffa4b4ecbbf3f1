// A socket bound to the loopback address of one family (127.0.0.1 or ::1): the server never
// listens anywhere else.
#pragma once

namespace velloxa::sandbox {

// socketType: SOCK_STREAM or SOCK_DGRAM; port 0: any free port. Returns -1 (errno set) on failure.
int bindLoopback(int family, int socketType, int port);

// The port a bound socket got.
int boundPort(int socket);

} // namespace velloxa::sandbox
