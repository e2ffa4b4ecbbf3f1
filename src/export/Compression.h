#pragma once

#include <QString>

#include <optional>

namespace velloxa {

// How an output file is written: as is, or as one gzip or zstd stream of the same bytes.
enum class Compression { None,
                         Gzip,
                         Zstd };

// What a name asks for: ".gz" gzip, ".zst" zstd (any case), anything else none.
Compression CompressionForName(const QString& fileName);

// "none", "gzip" or "zstd" (any case), as options and settings name them; empty for another word.
std::optional<Compression> CompressionNamed(const QString& word);
// The word CompressionNamed reads for it.
QString CompressionWord(Compression compression);

// The name's compression suffix (".gz", ".zst") with its dot, or empty.
QString CompressionSuffixOf(const QString& fileName);

// The levels a user may ask for: gzip 1 to 9, zstd -7 (fastest) to 19 (the levels above
// need far more memory on both sides); none has no level.
int LowestCompressionLevel(Compression compression);
int HighestCompressionLevel(Compression compression);
// gzip 6 (zlib's own), zstd 1: on an export's text it compresses about as well as zstd's
// own default 3 at far less CPU (docs/benchmarks.md).
int DefaultCompressionLevel(Compression compression);

} // namespace velloxa
