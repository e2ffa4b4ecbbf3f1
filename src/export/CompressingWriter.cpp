#include "export/CompressingWriter.h"

#include "errors/Failure.h"
#include "export/ReplacingFile.h"

#include <zlib.h>
#include <zstd.h>

#include <functional>
#include <vector>

namespace velloxa {

namespace {

// The compressed bytes gather here before they go to the file: as large as the export's own
// writes, so the file sees as few calls as without compression.
constexpr size_t OutputBlock = 256 << 10;

} // namespace

class CompressingWriter::Codec {
public:
    using Put = std::function<void(QByteArrayView)>;
    virtual ~Codec() = default;
    virtual void write(QByteArrayView bytes, const Put& put) = 0;
    virtual void finish(const Put& put) = 0;

protected:
    std::vector<char> out_ = std::vector<char>(OutputBlock);
};

namespace {

class GzipCodec : public CompressingWriter::Codec {
public:
    explicit GzipCodec(int level)
    {
        // 15 + 16: the largest window, in a gzip wrapper (header and CRC-32 trailer).
        if (deflateInit2(&stream_, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Failure(QStringLiteral("Cannot start the gzip compression (level %1).").arg(level));
    }
    ~GzipCodec() override { deflateEnd(&stream_); }

    void write(QByteArrayView bytes, const Put& put) override { run(bytes, Z_NO_FLUSH, put); }
    void finish(const Put& put) override { run({}, Z_FINISH, put); }

private:
    void run(QByteArrayView bytes, int flush, const Put& put)
    {
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        // A view longer than uInt can hold never reaches here: the export writes in blocks.
        stream_.avail_in = uInt(bytes.size());
        for (;;) {
            stream_.next_out = reinterpret_cast<Bytef*>(out_.data());
            stream_.avail_out = uInt(out_.size());
            const int status = deflate(&stream_, flush);
            if (status == Z_STREAM_ERROR)
                throw Failure(QStringLiteral("The gzip compression failed."));
            put(QByteArrayView(out_.data(), qsizetype(out_.size() - stream_.avail_out)));
            if (flush == Z_FINISH ? status == Z_STREAM_END : stream_.avail_out != 0)
                return;
        }
    }

    z_stream stream_{};
};

class ZstdCodec : public CompressingWriter::Codec {
public:
    explicit ZstdCodec(int level) : context_(ZSTD_createCCtx())
    {
        if (!context_ || ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_compressionLevel, level))
            || ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_checksumFlag, 1)))
            throw Failure(QStringLiteral("Cannot start the zstd compression (level %1).").arg(level));
    }
    ~ZstdCodec() override { ZSTD_freeCCtx(context_); }

    void write(QByteArrayView bytes, const Put& put) override { run(bytes, ZSTD_e_continue, put); }
    void finish(const Put& put) override { run({}, ZSTD_e_end, put); }

private:
    void run(QByteArrayView bytes, ZSTD_EndDirective mode, const Put& put)
    {
        ZSTD_inBuffer in{bytes.data(), size_t(bytes.size()), 0};
        for (;;) {
            ZSTD_outBuffer out{out_.data(), out_.size(), 0};
            const size_t left = ZSTD_compressStream2(context_, &out, &in, mode);
            if (ZSTD_isError(left))
                throw Failure(QStringLiteral("The zstd compression failed: %1").arg(QString::fromUtf8(ZSTD_getErrorName(left))));
            put(QByteArrayView(out_.data(), qsizetype(out.pos)));
            if (mode == ZSTD_e_end ? left == 0 : in.pos == in.size)
                return;
        }
    }

    ZSTD_CCtx* context_;
};

} // namespace

CompressingWriter::CompressingWriter(ReplacingFile& file, Compression compression, int level) : file_(file)
{
    if (compression == Compression::Gzip)
        codec_ = std::make_unique<GzipCodec>(level);
    else if (compression == Compression::Zstd)
        codec_ = std::make_unique<ZstdCodec>(level);
}

CompressingWriter::~CompressingWriter() = default;

void CompressingWriter::put(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    file_.write(bytes);
    fileBytes_ += bytes.size();
}

void CompressingWriter::write(QByteArrayView bytes)
{
    if (codec_)
        codec_->write(bytes, [this](QByteArrayView out) { put(out); });
    else
        put(bytes);
}

void CompressingWriter::finish()
{
    if (codec_)
        codec_->finish([this](QByteArrayView out) { put(out); });
}

} // namespace velloxa
