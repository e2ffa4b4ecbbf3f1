#include "Browser.h"

#include "LoopbackSocket.h"

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

} // namespace

Browser::Browser(int tcpPort) : tcpPort_(tcpPort)
{
    const int v4 = bindLoopback(AF_INET, SOCK_DGRAM, kBrowserPort);
    if (v4 < 0) throw std::runtime_error(std::string("cannot bind UDP 127.0.0.1:1434 (another --browser server running?): ") + std::strerror(errno));
    sockets_.push_back(v4);
    if (const int v6 = bindLoopback(AF_INET6, SOCK_DGRAM, kBrowserPort); v6 >= 0) sockets_.push_back(v6);
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
