#include "MessageReader.h"

#include "Wire.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace velloxa::sandbox {
namespace {
constexpr size_t kHeaderSize = 8;
constexpr size_t kMaxPacketSize = 32768;
constexpr uint8_t kEndOfMessage = 0x01;

size_t packetLength(const uint8_t* header)
{
    const size_t length = size_t(header[2]) << 8 | header[3];
    if (length < kHeaderSize || length > kMaxPacketSize) throw ProtocolError("bad packet length");
    return length;
}
} // namespace

MessageReader::MessageReader(int socket) : socket_(socket) {}

void MessageReader::read(Message& message)
{
    message.payload.clear();
    bool first = true;
    for (;;) {
        // Between messages the client may stay idle as long as it likes; inside one it may not.
        if (!fill(kHeaderSize, first ? -1 : kPartialInputTimeoutMs)) throw ProtocolError("message left unfinished");
        const uint8_t* header = input_.data() + consumed_;
        const size_t length = packetLength(header);
        if (first) {
            message.type = header[0];
        } else if (header[0] != message.type) {
            throw ProtocolError("packet type changed inside a message");
        }
        fill(length, kPartialInputTimeoutMs);
        header = input_.data() + consumed_;
        const bool last = (header[1] & kEndOfMessage) != 0;
        if (message.payload.size() + length - kHeaderSize > kMaxMessageSize) throw ProtocolError("message too large");
        message.payload.insert(message.payload.end(), header + kHeaderSize, header + length);
        consumed_ += length;
        first = false;
        if (last) return;
    }
}

bool MessageReader::attentionArrived()
{
    return waitForAttention(0);
}

bool MessageReader::waitForAttention(int timeoutMs)
{
    if (!fill(kHeaderSize, timeoutMs)) return false;
    const uint8_t* header = input_.data() + consumed_;
    // Without MARS the only thing a client may send while a reply is pending is ATTENTION.
    if (header[0] != packet_type::Attention) throw ProtocolError("request sent while a reply was pending");
    const size_t length = packetLength(header);
    fill(length, kPartialInputTimeoutMs);
    consumed_ += length;
    return true;
}

// Makes at least `needed` unread bytes available. Returns false only when nothing at all
// arrived within firstByteTimeoutMs (-1: wait forever); a stall once bytes flow is an error.
bool MessageReader::fill(size_t needed, int firstByteTimeoutMs)
{
    while (input_.size() - consumed_ < needed) {
        const bool started = input_.size() > consumed_;
        if (!receiveSome(started ? kPartialInputTimeoutMs : firstByteTimeoutMs)) {
            if (!started) return false;
            throw ProtocolError("timed out inside a packet");
        }
    }
    return true;
}

// One receive of whatever is available; false on timeout.
bool MessageReader::receiveSome(int timeoutMs)
{
    pollfd p{socket_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) throw ConnectionLost("poll failed");
    if (ready == 0) return false;
    if (consumed_ > 0) {
        input_.erase(input_.begin(), input_.begin() + std::ptrdiff_t(consumed_));
        consumed_ = 0;
    }
    uint8_t chunk[65536];
    ssize_t got;
    do {
        got = ::recv(socket_, chunk, sizeof chunk, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) throw ConnectionLost("peer closed");
    input_.insert(input_.end(), chunk, chunk + got);
    return true;
}

} // namespace velloxa::sandbox
