#include "Browser.h"

#include "LoopbackSocket.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>
#include <sys/socket.h>
#include <unistd.h>

namespace velloxa::sandbox {
namespace {

constexpr int kBrowserPort = 1434;
constexpr uint8_t kUnicastInstance = 0x04, kUnicastAll = 0x03, kBroadcast = 0x02, kResponse = 0x05;

// One look-up: which instance, and the reply naming our TCP port (nothing for other requests).
void answer(int socket, int tcpPort)
{
    uint8_t request[1024];
    sockaddr_storage from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(socket, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 1) return;
    std::string instance = "SQLEXPRESS";
    if (request[0] == kUnicastInstance && n > 1) {
        instance.assign(reinterpret_cast<const char*>(request + 1), size_t(n - 1));
        instance = instance.substr(0, instance.find('\0'));
    } else if (request[0] != kUnicastAll && request[0] != kBroadcast) {
        return;
    }
    const std::string text = "ServerName;VELLOXA-SANDBOX;InstanceName;" + instance +
                             ";IsClustered;No;Version;16.0.4000.0;tcp;" + std::to_string(tcpPort) + ";;";
    std::string reply;
    reply += char(kResponse);
    reply += char(text.size() & 0xFF);
    reply += char(text.size() >> 8);
    reply += text;
    ::sendto(socket, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
}

} // namespace

void startBrowser(int tcpPort)
{
    std::vector<int> sockets;
    const int v4 = bindLoopback(AF_INET, SOCK_DGRAM, kBrowserPort);
    if (v4 < 0) throw std::runtime_error(std::string("cannot bind UDP 127.0.0.1:1434 (another --browser server running?): ") + std::strerror(errno));
    sockets.push_back(v4);
    if (const int v6 = bindLoopback(AF_INET6, SOCK_DGRAM, kBrowserPort); v6 >= 0) sockets.push_back(v6);
    // The thread owns the sockets: nothing it uses can go away before the process ends.
    std::thread([sockets, tcpPort] { serveReadable(sockets, [tcpPort](int socket) { answer(socket, tcpPort); }); }).detach();
}

} // namespace velloxa::sandbox
