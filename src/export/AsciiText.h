#pragma once

#include <QtGlobal>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstring>

namespace velloxa {

// Most text in a database is ASCII, the same bytes in every 8-bit encoding the export
// writes: narrowing it in blocks spares the character-by-character encoders. Inline: a short
// value costs less than the call.

#ifdef __SSE2__
// Whether the units of a block (8 or 4 of them, in the low half) are all ASCII.
inline bool AllAscii(__m128i block)
{
    const __m128i high = _mm_and_si128(block, _mm_set1_epi16(short(0xFF80)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}
#endif

// Writes text of 4 units or more that is all ASCII at `target`, one byte a unit; false, with
// nothing of use written, for any other text. One pass in blocks of 16 (8, 4) units, the
// last block overlapping the one before.
inline bool NarrowAscii(const char16_t* units, qsizetype count, char* target)
{
#ifdef __SSE2__
    const auto load8 = [units](qsizetype at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at)); };
    const auto load4 = [units](qsizetype at) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(units + at)); };
    const auto store = [target](qsizetype at, __m128i bytes) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + at), bytes);
    };
    if (count >= 16) {
        __m128i all = _mm_setzero_si128();
        const auto narrow16 = [&](qsizetype at) {
            const __m128i first = load8(at), second = load8(at + 8);
            all = _mm_or_si128(all, _mm_or_si128(first, second));
            store(at, _mm_packus_epi16(first, second));
        };
        qsizetype i = 0;
        for (; i + 32 <= count; i += 32) {
            // All four blocks loaded before either store: a store through char* could
            // otherwise be taken to change the units.
            const __m128i a = load8(i), b = load8(i + 8), c = load8(i + 16), d = load8(i + 24);
            all = _mm_or_si128(all, _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)));
            store(i, _mm_packus_epi16(a, b));
            store(i + 16, _mm_packus_epi16(c, d));
        }
        if (i + 16 <= count)
            narrow16(i);
        narrow16(count - 16);
        return AllAscii(all);
    }
    if (count >= 8) {
        const __m128i first = load8(0), last = load8(count - 8);
        if (!AllAscii(_mm_or_si128(first, last)))
            return false;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target), _mm_packus_epi16(first, first));
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
