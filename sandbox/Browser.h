// Answers SQL Server Browser look-ups on UDP 1434 (loopback), so that "host\INSTANCE" finds
// the server's TCP port. Every instance name is answered with this server.
#pragma once

#include <thread>
#include <vector>

namespace velloxa::sandbox {

class Browser {
public:
    // Binds UDP 1434 on 127.0.0.1 (and ::1 when available); throws std::runtime_error.
    explicit Browser(int tcpPort);
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

private:
    void serve();

    int tcpPort_;
    std::vector<int> sockets_;
    std::thread thread_;
};

} // namespace velloxa::sandbox
