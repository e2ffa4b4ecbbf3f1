// Answers SQL Server Browser look-ups on UDP 1434 (loopback), so that "host\INSTANCE" finds
// the server's TCP port. Every instance name is answered with this server.
#pragma once

namespace velloxa::sandbox {

// Binds UDP 1434 on 127.0.0.1 (and ::1 when available) and answers on a thread of its own
// for the rest of the process, like the TCP listener. Throws std::runtime_error.
void startBrowser(int tcpPort);

} // namespace velloxa::sandbox
