#include "export/WatchedNarrowing.h"

#include "export/AsciiText.h"
#include "export/LineByteWatch.h"

#include <algorithm>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define VELLOXA_AVX2_NARROWING
#endif

namespace velloxa {

#ifdef VELLOXA_AVX2_NARROWING

namespace {

// As NarrowAscii, 32 units a step: packing works within each 128-bit lane, so the lanes'
// quarters are put back in order before the store.
__attribute__((target("avx2"))) bool NarrowAsciiAvx2(const char16_t* units, qsizetype count, char* target,
                                                     LineByteWatch& watch)
{
    const __m256i separator = _mm256_set1_epi8(watch.separatorByte()), quote = _mm256_set1_epi8(watch.quoteByte());
    __m256i lowest = _mm256_set1_epi8(char(0xFF)), highest = _mm256_setzero_si256(), sought = lowest;
    // The last block overlaps the one before. (No lambdas: they would not be built for AVX2.)
    for (qsizetype at = 0;; at = std::min(at + 32, count - 32)) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units + at));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units + at + 16));
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8);
        lowest = _mm256_min_epu8(lowest, bytes);
        highest = _mm256_max_epu8(highest, bytes);
        sought = _mm256_min_epu8(sought, _mm256_min_epu8(_mm256_xor_si256(bytes, separator), _mm256_xor_si256(bytes, quote)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at), bytes);
        if (at == count - 32)
            break;
    }
    watch.seeSought(_mm_min_epu8(_mm256_castsi256_si128(sought), _mm256_extracti128_si256(sought, 1)));
    const __m128i lowestHalf = _mm_min_epu8(_mm256_castsi256_si128(lowest), _mm256_extracti128_si256(lowest, 1));
    watch.seeLowest(lowestHalf);
    // As in NarrowAscii: ASCII when every byte is from 1 to 0x7F.
    const __m128i highestHalf = _mm_max_epu8(_mm256_castsi256_si128(highest), _mm256_extracti128_si256(highest, 1));
    const __m128i outside = _mm_or_si128(_mm_cmpeq_epi8(lowestHalf, _mm_setzero_si128()),
                                         _mm_cmpgt_epi8(_mm_setzero_si128(), highestHalf));
    return _mm_movemask_epi8(outside) == 0;
}

} // namespace

bool NarrowAsciiWatched(const char16_t* units, qsizetype count, char* target, LineByteWatch& watch)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && count >= 32)
        return NarrowAsciiAvx2(units, count, target, watch);
    return NarrowAscii(units, count, target, watch);
}

#else

bool NarrowAsciiWatched(const char16_t* units, qsizetype count, char* target, LineByteWatch& watch)
{
    return NarrowAscii(units, count, target, watch);
}

#endif

} // namespace velloxa
