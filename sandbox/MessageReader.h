// Reassembles client messages from TDS packets, with limits so that a broken or hostile client
// cannot make the server wait forever on half a packet or grow memory without bound.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velloxa::sandbox {

class Transport;

struct Message {
    uint8_t type = 0;
    std::vector<uint8_t> payload;
};

namespace packet_type {
constexpr uint8_t SqlBatch = 0x01;
constexpr uint8_t Rpc = 0x03;
constexpr uint8_t Reply = 0x04;
constexpr uint8_t Attention = 0x06;
constexpr uint8_t Login7 = 0x10;
constexpr uint8_t Prelogin = 0x12;
} // namespace packet_type

class MessageReader {
public:
    static constexpr size_t kMaxMessageSize = 16 * 1024 * 1024;
    // Before the login is accepted a client sends PRELOGIN, the TLS handshake and LOGIN7: a few
    // KiB. Held small, so unfinished messages of clients nobody knows cost little memory.
    static constexpr size_t kMaxMessageSizeBeforeLogin = 128 * 1024;
    // A packet must be whole this long after its first byte (and the next packet of a message
    // must start within it): a client that trickles bytes cannot hold a connection for ever.
    static constexpr int kPartialInputTimeoutMs = 30'000;
    // A new connection must bring its first whole packet within this time (a port scanner, a
    // client that connected and hung), so that idle sockets cannot fill every slot.
    static constexpr int kIdleLimitMs = 30'000;

    explicit MessageReader(Transport& transport);

    // Reads on from `transport` (TLS starting or ending). Throws ProtocolError when input is
    // still unread: the client sent it before the switch, so it belongs to neither side.
    void setTransport(Transport& transport);

    // The largest message accepted from here on (kMaxMessageSizeBeforeLogin at first).
    void setMessageLimit(size_t bytes) { messageLimit_ = bytes; }

    // Blocks until a whole message is in. Throws ConnectionLost when the client goes away and
    // ProtocolError on malformed framing or a stalled message.
    void read(Message& message);

    // Without blocking: has the client sent an ATTENTION? Consumes the attention packet.
    bool attentionArrived();

    // Waits up to timeoutMs for an ATTENTION; returns true if one came.
    bool waitForAttention(int timeoutMs);

private:
    bool fill(size_t needed, int firstByteTimeoutMs);
    bool receiveSome(int timeoutMs);

    Transport* transport_;
    std::vector<uint8_t> input_;
    size_t consumed_ = 0;
    size_t messageLimit_ = kMaxMessageSizeBeforeLogin;
    std::optional<std::chrono::steady_clock::time_point> packetDeadline_; // set from a packet's first byte
    // Until the first whole packet is in; then between messages the client may wait as it likes.
    std::optional<std::chrono::steady_clock::time_point> firstPacketDeadline_;
};

} // namespace velloxa::sandbox
