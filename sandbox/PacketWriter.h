// Builds one outgoing TDS message straight into a large buffer, framing it into packets of the
// negotiated size on the fly, and hands many packets at once to the transport.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace velloxa::sandbox {

class Transport;

class PacketWriter {
public:
    explicit PacketWriter(Transport& transport);

    // Sends from now on through `transport` (TLS starting); call between messages.
    void setTransport(Transport& transport) { transport_ = &transport; }

    void setPacketSize(size_t size);
    size_t packetSize() const { return packetSize_; }
    // Send every packet as soon as it is full (for slow, row-by-row results).
    void setFlushEachPacket(bool on) { flushEachPacket_ = on; }

    // Starts a message of the given packet type (0x04: tabular result).
    void begin(uint8_t type = 0x04);
    // Marks the last packet as the end of the message and sends everything.
    void end();
    // Sends what is buffered, the unfinished packet included, without ending the message.
    void flushUnfinished();

    void put(const void* data, size_t n)
    {
        if (pos_ + n <= packetEnd()) {
            std::memcpy(buffer_.data() + pos_, data, n);
            pos_ += n;
        } else {
            putAcrossPackets(static_cast<const uint8_t*>(data), n);
        }
    }
    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v) { uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)}; put(b, 2); }
    void u32(uint32_t v) { uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; put(b, 4); }
    void u64(uint64_t v) { u32(uint32_t(v)); u32(uint32_t(v >> 32)); }
    void utf16(std::u16string_view text);              // UTF-16LE code units, no length
    void bVarchar(std::u16string_view text);           // one-byte length in characters
    void usVarchar(std::u16string_view text);          // two-byte length in characters

private:
    size_t packetEnd() const { return packetStart_ + packetSize_; }
    void putAcrossPackets(const uint8_t* data, size_t n);
    void closePacket(bool last);
    void sendCompletedPackets();

    Transport* transport_;
    size_t packetSize_ = 4096;
    bool flushEachPacket_ = false;
    std::vector<uint8_t> buffer_;
    size_t packetStart_ = 0;
    size_t pos_ = 0;
    uint8_t type_ = 0x04;
    uint8_t packetNumber_ = 1;
};

} // namespace velloxa::sandbox
