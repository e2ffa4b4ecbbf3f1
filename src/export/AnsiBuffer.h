#pragma once

#include "export/AnsiText.h"

#include <QByteArrayView>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <vector>

namespace velloxa {

// The export's output bytes between two writes, in the file's 8-bit code page (AnsiText.h).
// Bytes already in it (ASCII, or text encoded once beforehand) are copied as they are, so
// that numbers, dates and separators never pass through UTF-16. Appending costs a bounds
// check and a copy; the storage grows only for a line longer than it.
class AnsiBuffer {
public:
    explicit AnsiBuffer(qsizetype capacity) : storage_(size_t(capacity)) {}

    void appendBytes(QByteArrayView bytes)
    {
        char* at = room(bytes.size());
        const size_t count = size_t(bytes.size());
        const char* from = bytes.data();
        // Most pieces are a few bytes: two overlapping fixed-size copies, which the compiler
        // turns into plain moves, instead of a call into the C library.
        if (count > 16)
            std::memcpy(at, from, count);
        else if (count >= 8)
            CopyOverlapping<8>(at, from, count);
        else if (count >= 4)
            CopyOverlapping<4>(at, from, count);
        else if (count >= 2)
            CopyOverlapping<2>(at, from, count);
        else if (count == 1)
            *at = *from;
        size_ += bytes.size();
    }
    void appendByte(char byte)
    {
        *room(1) = byte;
        ++size_;
    }
    void appendText(QStringView text)
    {
        char* at = room(MostAnsiBytes(text.size()));
        size_ = WriteAnsiText(text, at) - storage_.data();
    }
    // Bytes written in place: room() for at most `bytes` of them, then setEnd() after the last.
    char* room(qsizetype bytes)
    {
        if (size_ + bytes > qsizetype(storage_.size())) [[unlikely]]
            storage_.resize(std::max(2 * storage_.size(), size_t(size_ + bytes)));
        return storage_.data() + size_;
    }
    void setEnd(const char* end) { size_ = end - storage_.data(); }

    QByteArrayView bytes() const { return {storage_.data(), size_}; }
    qsizetype size() const { return size_; }
    // Keeps the storage for the next bytes.
    void clear() { size_ = 0; }

private:
    // Copies count bytes, Width <= count <= 2 * Width.
    template <size_t Width>
    static void CopyOverlapping(char* to, const char* from, size_t count)
    {
        std::memcpy(to, from, Width);
        std::memcpy(to + count - Width, from + count - Width, Width);
    }

    std::vector<char> storage_;
    qsizetype size_ = 0;
};

} // namespace velloxa
