#pragma once

#include "export/AnsiText.h"

#include <QByteArrayView>
#include <QStringView>

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
        std::memcpy(room(bytes.size()), bytes.data(), size_t(bytes.size()));
        size_ += bytes.size();
    }
    void appendText(QStringView text)
    {
        char* at = room(MostAnsiBytes(text.size()));
        size_ = WriteAnsiText(text, at) - storage_.data();
    }

    QByteArrayView bytes() const { return {storage_.data(), size_}; }
    qsizetype size() const { return size_; }
    // Keeps the storage for the next bytes.
    void clear() { size_ = 0; }

private:
    char* room(qsizetype bytes)
    {
        if (size_ + bytes > qsizetype(storage_.size()))
            storage_.resize(std::max(2 * storage_.size(), size_t(size_ + bytes)));
        return storage_.data() + size_;
    }

    std::vector<char> storage_;
    qsizetype size_ = 0;
};

} // namespace velloxa
