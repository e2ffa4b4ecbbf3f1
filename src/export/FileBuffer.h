#pragma once

#include "export/AnsiText.h"
#include "export/FileFormat.h"
#include "export/LineByteWatch.h"
#include "export/ShortCopy.h"
#include "export/Utf8Text.h"

#include <QByteArrayView>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <vector>

namespace velloxa {

// The export's output bytes between two writes, in the file's 8-bit encoding: the code page
// (AnsiText.h) or UTF-8. Bytes already in it (ASCII, or text encoded once beforehand) are
// copied as they are, so that numbers, dates and separators never pass through UTF-16.
// Appending costs a bounds check and a copy; the storage grows only for a line longer than it.
// Text is watched as it is narrowed (watchLineBytes): long values then need no search of their
// own for what breaks the line.
class FileBuffer {
public:
    // `encoding`: Windows-1252 or UTF-8 (with or without BOM, which is not the buffer's).
    explicit FileBuffer(qsizetype capacity, FileEncoding encoding = FileEncoding::Windows1252)
        : storage_(size_t(capacity)), utf8_(encoding == FileEncoding::Utf8 || encoding == FileEncoding::Utf8WithBom)
    {
        Q_ASSERT(encoding != FileEncoding::Utf16LeWithBom);
    }

    void appendBytes(QByteArrayView bytes)
    {
        char* at = room(bytes.size());
        if (bytes.size() > 24)
            std::memcpy(at, bytes.data(), size_t(bytes.size()));
        else
            CopyShort(at, bytes.data(), size_t(bytes.size()));
        size_ += bytes.size();
    }
    void appendByte(char byte)
    {
        *room(1) = byte;
        ++size_;
    }
    void appendText(QStringView text)
    {
        LineByteWatch watch = watch_;
        if (utf8_)
            setEnd(WriteUtf8Text(text, room(MostUtf8Bytes(text.size())), &watch));
        else
            setEnd(WriteAnsiText(text, room(MostAnsiBytes(text.size())), &watch));
        if (watch.clean())
            clean_ += text.size();
    }

    // What text is watched for from now on (LineByteWatch.h).
    void watchLineBytes(char separatorFirst, bool quotes) { watch_ = LineByteWatch(separatorFirst, quotes); }
    // Starts a value: returns where it begins, for cleanSince().
    qsizetype startValue()
    {
        clean_ = 0;
        return size_;
    }
    // Whether every byte since `start` (startValue()) was text the watch found clean.
    bool cleanSince(qsizetype start) const { return clean_ == size_ - start; }
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
    // Drops the bytes from `size` on.
    void truncate(qsizetype size) { size_ = size; }
    // Keeps the storage for the next bytes.
    void clear() { size_ = 0; }

private:
    std::vector<char> storage_;
    qsizetype size_ = 0;
    bool utf8_;
    LineByteWatch watch_;
    qsizetype clean_ = 0; // bytes of text found clean since startValue()
};

} // namespace velloxa
