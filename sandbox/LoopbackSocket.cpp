#include "LoopbackSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velloxa::sandbox {

int bindLoopback(int family, int socketType, int port)
{
    const int s = ::socket(family, socketType | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    const int on = 1;
    if (socketType == SOCK_STREAM) ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    int rc;
    if (family == AF_INET) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        rc = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(uint16_t(port));
        a.sin6_addr = in6addr_loopback;
        rc = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (rc != 0) {
        const int error = errno;
        ::close(s);
        errno = error;
        return -1;
    }
    return s;
}

int boundPort(int socket)
{
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&a), &length);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

void serveReadable(const std::vector<int>& sockets, const std::function<void(int socket)>& onReadable)
{
    std::vector<pollfd> polls;
    for (int s : sockets) polls.push_back({s, POLLIN, 0});
    for (;;) {
        if (::poll(polls.data(), polls.size(), -1) < 0) continue; // EINTR
        for (const pollfd& p : polls)
            if (p.revents & POLLIN) onReadable(p.fd);
    }
}

} // namespace velloxa::sandbox
