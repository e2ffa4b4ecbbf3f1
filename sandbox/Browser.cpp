#include "Browser.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace velloxa::sandbox {
namespace {

constexpr int kBrowserPort = 1434;
constexpr uint8_t kUnicastInstance = 0x04, kUnicastAll = 0x03, kBroadcast = 0x02, kResponse = 0x05;

int bindUdp(int family)
{
    const int s = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    int rc;
    if (family == AF_INET) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(kBrowserPort);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        rc = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        const int on = 1;
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(kBrowserPort);
        a.sin6_addr = in6addr_loopback;
        rc = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (rc != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

} // namespace

Browser::Browser(int tcpPort) : tcpPort_(tcpPort)
{
    const int v4 = bindUdp(AF_INET);
    if (v4 < 0) throw std::runtime_error(std::string("cannot bind UDP 127.0.0.1:1434 (another --browser server running?): ") + std::strerror(errno));
    sockets_.push_back(v4);
    if (const int v6 = bindUdp(AF_INET6); v6 >= 0) sockets_.push_back(v6);
    thread_ = std::thread([this] { serve(); });
    thread_.detach();
}

Browser::~Browser()
{
    for (int s : sockets_) ::close(s);
}

void Browser::serve()
{
    std::vector<pollfd> polls;
    for (int s : sockets_) polls.push_back({s, POLLIN, 0});
    for (;;) {
        if (::poll(polls.data(), polls.size(), -1) < 0) continue;
        for (const pollfd& p : polls) {
            if (!(p.revents & POLLIN)) continue;
            uint8_t request[1024];
            sockaddr_storage from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(p.fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 1) continue;
            std::string instance = "SQLEXPRESS";
            if (request[0] == kUnicastInstance && n > 1) {
                instance.assign(reinterpret_cast<const char*>(request + 1), size_t(n - 1));
                instance = instance.substr(0, instance.find('\0'));
            } else if (request[0] != kUnicastAll && request[0] != kBroadcast) {
                continue;
            }
            const std::string text = "ServerName;VELLOXA-SANDBOX;InstanceName;" + instance +
                                     ";IsClustered;No;Version;16.0.4000.0;tcp;" + std::to_string(tcpPort_) + ";;";
            std::string reply;
            reply += char(kResponse);
            reply += char(text.size() & 0xFF);
            reply += char(text.size() >> 8);
            reply += text;
            ::sendto(p.fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    }
}

} // namespace velloxa::sandbox
