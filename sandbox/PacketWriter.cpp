#include "PacketWriter.h"

#include "Transport.h"

#include <algorithm>

namespace velloxa::sandbox {
namespace {
constexpr size_t kHeaderSize = 8;
constexpr size_t kSendThreshold = 256 * 1024;
} // namespace

PacketWriter::PacketWriter(Transport& transport) : transport_(&transport)
{
    setPacketSize(4096);
}

void PacketWriter::setPacketSize(size_t size)
{
    packetSize_ = std::clamp<size_t>(size, 512, 32767);
    buffer_.assign(std::max(kSendThreshold, packetSize_) + packetSize_, 0);
}

void PacketWriter::begin(uint8_t type)
{
    type_ = type;
    packetNumber_ = 1;
    packetStart_ = 0;
    pos_ = kHeaderSize;
}

void PacketWriter::end()
{
    closePacket(true);
    transport_->send(buffer_.data(), packetStart_);
    packetStart_ = 0;
    pos_ = kHeaderSize;
}

void PacketWriter::flushUnfinished()
{
    if (pos_ > packetStart_ + kHeaderSize) closePacket(false);
    sendCompletedPackets();
}

void PacketWriter::utf16(std::u16string_view text)
{
    for (char16_t c : text) u16(uint16_t(c));
}

void PacketWriter::bVarchar(std::u16string_view text)
{
    const auto n = std::min<size_t>(text.size(), 255);
    u8(uint8_t(n));
    utf16(text.substr(0, n));
}

void PacketWriter::usVarchar(std::u16string_view text)
{
    const auto n = std::min<size_t>(text.size(), 65535);
    u16(uint16_t(n));
    utf16(text.substr(0, n));
}

void PacketWriter::putAcrossPackets(const uint8_t* data, size_t n)
{
    while (n > 0) {
        const size_t room = packetEnd() - pos_;
        const size_t chunk = std::min(room, n);
        std::memcpy(buffer_.data() + pos_, data, chunk);
        pos_ += chunk;
        data += chunk;
        n -= chunk;
        if (n > 0) {
            closePacket(false);
            if (flushEachPacket_ || packetStart_ + packetSize_ > buffer_.size()) sendCompletedPackets();
        }
    }
}

// Writes the header of the packet being filled and opens the next one behind it.
void PacketWriter::closePacket(bool last)
{
    const size_t length = pos_ - packetStart_;
    uint8_t* h = buffer_.data() + packetStart_;
    h[0] = type_;
    h[1] = last ? 0x01 : 0x00;
    h[2] = uint8_t(length >> 8);
    h[3] = uint8_t(length);
    h[4] = 0;
    h[5] = 0;
    h[6] = packetNumber_++;
    h[7] = 0;
    packetStart_ = pos_;
    pos_ = packetStart_ + kHeaderSize;
}

void PacketWriter::sendCompletedPackets()
{
    transport_->send(buffer_.data(), packetStart_);
    packetStart_ = 0;
    pos_ = kHeaderSize;
}

} // namespace velloxa::sandbox
