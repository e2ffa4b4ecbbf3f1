#include "Listener.h"

#include "LoopbackSocket.h"
#include "Session.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <atomic>
#include <thread>
#include <unistd.h>

namespace velloxa::sandbox {
namespace {

int listenOnLoopback(int family, int port)
{
    const int s = bindLoopback(family, SOCK_STREAM, port);
    if (s >= 0 && ::listen(s, 64) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

} // namespace

Listener::Listener(int port)
{
    const int v4 = listenOnLoopback(AF_INET, port);
    if (v4 < 0) throw std::runtime_error("cannot listen on 127.0.0.1 port " + std::to_string(port) + ": " + std::strerror(errno));
    sockets_.push_back(v4);
    port_ = boundPort(v4);
    // ::1 is a bonus: a machine without IPv6 loopback still serves 127.0.0.1.
    if (const int v6 = listenOnLoopback(AF_INET6, port_); v6 >= 0) sockets_.push_back(v6);
}

Listener::~Listener()
{
    for (int s : sockets_) ::close(s);
}

void Listener::serve(const DatabaseSet& databases, const Options& options, const TlsContext* tls)
{
    // Live sessions; each client costs a thread, so their number is held to the option.
    static std::atomic<int> sessions{0};
    serveReadable(sockets_, [&databases, &options, tls](int listening) {
        const int client = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return;
        if (sessions.load() >= options.maxConnections) {
            std::cerr << "velloxa-sandbox: " << options.maxConnections << " connections are open; closing a new one" << std::endl;
            ::close(client);
            return;
        }
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ++sessions;
        try {
            std::thread([client, &databases, &options, tls] {
                Session(client, databases, options, tls).run();
                --sessions;
            }).detach();
        } catch (const std::system_error& e) {
            std::cerr << "velloxa-sandbox: cannot start a client thread: " << e.what() << std::endl;
            --sessions;
            ::close(client);
        }
    });
}

} // namespace velloxa::sandbox
