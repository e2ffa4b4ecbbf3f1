#include "SocketTransport.h"

#include "Wire.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velloxa::sandbox {

SocketTransport::~SocketTransport()
{
    ::close(socket_);
}

bool SocketTransport::receive(std::vector<uint8_t>& input, int timeoutMs)
{
    pollfd p{socket_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) throw ConnectionLost("poll failed");
    if (ready == 0) return false;
    uint8_t chunk[65536];
    ssize_t got;
    do {
        got = ::recv(socket_, chunk, sizeof chunk, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) throw ConnectionLost("peer closed");
    input.insert(input.end(), chunk, chunk + got);
    return true;
}

void SocketTransport::send(const uint8_t* data, size_t n)
{
    using Clock = std::chrono::steady_clock;
    // For the whole call: a reader that takes a few bytes now and then does not reset it.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kSendLimitMs);
    while (n > 0) {
        const ssize_t sent = ::send(socket_, data, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) throw ConnectionLost("the client stopped reading");
            pollfd p{socket_, POLLOUT, 0};
            ::poll(&p, 1, int(left));
            continue;
        }
        if (sent <= 0) throw ConnectionLost("send failed");
        data += sent;
        n -= size_t(sent);
    }
}

void SocketTransport::finishSending()
{
    ::shutdown(socket_, SHUT_WR);
}

} // namespace velloxa::sandbox
