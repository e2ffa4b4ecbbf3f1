// Byte-level reading of client messages and the two ways a connection can end badly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace velloxa::sandbox {

// The client sent something that is not valid TDS; the connection is dropped.
struct ProtocolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The peer went away (or a fault switch ended the connection on purpose).
struct ConnectionLost : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Bounds-checked little-endian reader over one message payload.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    const uint8_t* current() const { return data_ + pos_; }

    void skip(size_t n) { need(n); pos_ += n; }
    uint8_t u8() { need(1); return data_[pos_++]; }
    uint16_t u16() { need(2); uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8); pos_ += 2; return v; }
    uint32_t u32() { need(4); uint32_t v = 0; for (int i = 3; i >= 0; --i) v = v << 8 | data_[pos_ + size_t(i)]; pos_ += 4; return v; }
    uint64_t u64() { uint64_t lo = u32(); uint64_t hi = u32(); return hi << 32 | lo; }
    const uint8_t* bytes(size_t n) { need(n); const uint8_t* p = data_ + pos_; pos_ += n; return p; }

private:
    void need(size_t n) const {
        if (n > size_ - pos_) throw ProtocolError("message too short");
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace velloxa::sandbox
