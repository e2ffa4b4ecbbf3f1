#pragma once

#include "export/Compression.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <memory>

namespace velloxa {

class ReplacingFile;

// Streams the export's bytes into a file as they are, or compressed as one gzip (zlib) or
// zstd (with its content checksum) stream, in flat memory: what goes in is compressed and
// handed to the file in blocks. finish() ends the stream; the file is complete only after it.
// Failures throw Failure.
class CompressingWriter {
public:
    CompressingWriter(ReplacingFile& file, Compression compression, int level);
    ~CompressingWriter();
    CompressingWriter(const CompressingWriter&) = delete;
    CompressingWriter& operator=(const CompressingWriter&) = delete;

    void write(QByteArrayView bytes);
    void finish();

    // Bytes handed to the file so far.
    qint64 fileBytes() const { return fileBytes_; }

    class Codec;

private:
    void put(QByteArrayView bytes);

    ReplacingFile& file_;
    std::unique_ptr<Codec> codec_; // none when the bytes go as they are
    qint64 fileBytes_ = 0;
};

} // namespace velloxa
