#include "export/AsciiText.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstring>

namespace velloxa {

namespace {

#ifdef __SSE2__
// Whether the units of a block (8 or 4 of them, in the low half) are all ASCII.
bool AllAscii(__m128i block)
{
    const __m128i high = _mm_and_si128(block, _mm_set1_epi16(short(0xFF80)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}
#endif

} // namespace

// Text of 4 units or more that is all ASCII, in blocks of 8 (4) units with a last block that
// overlaps the one before; false, with nothing written, for any other text.
bool NarrowAscii(const char16_t* units, qsizetype count, char* target)
{
#ifdef __SSE2__
    const auto load8 = [units](qsizetype at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at)); };
    const auto load4 = [units](qsizetype at) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(units + at)); };
    if (count >= 8) {
        __m128i all = _mm_setzero_si128();
        for (qsizetype i = 0; i + 8 <= count; i += 8)
            all = _mm_or_si128(all, load8(i));
        if (!AllAscii(_mm_or_si128(all, load8(count - 8))))
            return false;
        for (qsizetype i = 0; i + 8 <= count; i += 8)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(target + i), _mm_packus_epi16(load8(i), load8(i)));
        const __m128i last = load8(count - 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + count - 8), _mm_packus_epi16(last, last));
        return true;
    }
    if (count >= 4) {
        const __m128i first = load4(0), last = load4(count - 4);
        if (!AllAscii(_mm_or_si128(first, last)))
            return false;
        const int firstBytes = _mm_cvtsi128_si32(_mm_packus_epi16(first, first));
        const int lastBytes = _mm_cvtsi128_si32(_mm_packus_epi16(last, last));
        std::memcpy(target, &firstBytes, 4);
        std::memcpy(target + count - 4, &lastBytes, 4);
        return true;
    }
#else
    Q_UNUSED(units);
    Q_UNUSED(count);
    Q_UNUSED(target);
#endif
    return false;
}

} // namespace velloxa
