#include "MessageReader.h"

#include "Transport.h"
#include "Wire.h"

#include <algorithm>

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

MessageReader::MessageReader(Transport& transport)
    : transport_(&transport), firstPacketDeadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(kIdleLimitMs))
{
}

void MessageReader::setTransport(Transport& transport)
{
    if (consumed_ < input_.size()) throw ProtocolError("input sent across the switch to or from TLS");
    transport_ = &transport;
}

void MessageReader::read(Message& message)
{
    message.payload.clear();
    bool first = true;
    for (;;) {
        // Between messages the client may stay idle as long as it likes (once it has sent a
        // first packet); inside one it may not.
        packetDeadline_.reset();
        int wait = first ? -1 : kPartialInputTimeoutMs;
        if (first && firstPacketDeadline_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*firstPacketDeadline_ - std::chrono::steady_clock::now());
            wait = int(std::max<long long>(left.count(), 0));
        }
        if (!fill(kHeaderSize, wait)) throw ProtocolError(first ? "no packet within 30 s of connecting" : "message left unfinished");
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
        if (message.payload.size() + length - kHeaderSize > messageLimit_) throw ProtocolError("message too large");
        message.payload.insert(message.payload.end(), header + kHeaderSize, header + length);
        consumed_ += length;
        first = false;
        firstPacketDeadline_.reset();
        if (last) return;
    }
}

bool MessageReader::attentionArrived()
{
    return waitForAttention(0);
}

bool MessageReader::waitForAttention(int timeoutMs)
{
    packetDeadline_.reset();
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
// arrived within firstByteTimeoutMs (-1: wait forever); once the packet's first byte is in,
// the rest must follow by its deadline.
bool MessageReader::fill(size_t needed, int firstByteTimeoutMs)
{
    using Clock = std::chrono::steady_clock;
    while (input_.size() - consumed_ < needed) {
        if (input_.size() == consumed_ && !packetDeadline_) {
            if (!receiveSome(firstByteTimeoutMs)) return false;
            continue;
        }
        if (!packetDeadline_) packetDeadline_ = Clock::now() + std::chrono::milliseconds(kPartialInputTimeoutMs);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*packetDeadline_ - Clock::now()).count();
        if (left <= 0 || !receiveSome(int(left))) throw ProtocolError("packet not complete 30 s after its first byte");
    }
    if (!packetDeadline_) packetDeadline_ = Clock::now() + std::chrono::milliseconds(kPartialInputTimeoutMs);
    return true;
}

// One receive of whatever is available; false on timeout.
bool MessageReader::receiveSome(int timeoutMs)
{
    if (consumed_ > 0) {
        input_.erase(input_.begin(), input_.begin() + std::ptrdiff_t(consumed_));
        consumed_ = 0;
    }
    return transport_->receive(input_, timeoutMs);
}

} // namespace velloxa::sandbox
