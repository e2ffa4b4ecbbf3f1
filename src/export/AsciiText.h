#pragma once

#include <QtGlobal>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstring>
#include <type_traits>

namespace velloxa {

// Narrowing that looks at no bytes (LineByteWatch.h looks for those that break a line).
struct NoByteWatch {
#ifdef __SSE2__
    void see(__m128i)
    {
    }
    void seeLowest(__m128i) {}
#endif
};

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
// last block overlapping the one before. `watch` sees every block of bytes written, from 8
// units on.
template <typename Watch = NoByteWatch>
inline bool NarrowAscii(const char16_t* units, qsizetype count, char* target, Watch&& watch = {})
{
#ifdef __SSE2__
    // A local copy stays in registers: the stores through char* could change the caller's.
    std::remove_cvref_t<Watch> seen = watch;
    const auto load8 = [units](qsizetype at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at)); };
    const auto load4 = [units](qsizetype at) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(units + at)); };
    const auto store = [target](qsizetype at, __m128i bytes) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + at), bytes);
    };
    if (count >= 16) {
        // Units above 0xFF pack to 0xFF, those from 0x8000 on to 0: the text is ASCII when every
        // byte is from 1 to 0x7F (a NUL takes the slower way).
        __m128i lowest = _mm_set1_epi8(char(0xFF)), highest = _mm_setzero_si128();
        const auto narrow = [&](qsizetype at, __m128i bytes) {
            lowest = _mm_min_epu8(lowest, bytes);
            highest = _mm_max_epu8(highest, bytes);
            seen.see(bytes);
            store(at, bytes);
        };
        qsizetype i = 0;
        for (; i + 32 <= count; i += 32) {
            // All four blocks loaded before either store: a store through char* could
            // otherwise be taken to change the units.
            const __m128i a = load8(i), b = load8(i + 8), c = load8(i + 16), d = load8(i + 24);
            narrow(i, _mm_packus_epi16(a, b));
            narrow(i + 16, _mm_packus_epi16(c, d));
        }
        if (i + 16 <= count)
            narrow(i, _mm_packus_epi16(load8(i), load8(i + 8)));
        narrow(count - 16, _mm_packus_epi16(load8(count - 16), load8(count - 8)));
        seen.seeLowest(lowest);
        watch = seen;
        const __m128i outside = _mm_or_si128(_mm_cmpeq_epi8(lowest, _mm_setzero_si128()),
                                             _mm_cmpgt_epi8(_mm_setzero_si128(), highest));
        return _mm_movemask_epi8(outside) == 0;
    }
    if (count >= 8) {
        const __m128i first = load8(0), last = load8(count - 8);
        if (!AllAscii(_mm_or_si128(first, last)))
            return false;
        const __m128i bytes = _mm_packus_epi16(first, last); // the first eight, then the last eight
        seen.see(bytes);
        seen.seeLowest(bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + count - 8), _mm_unpackhi_epi64(bytes, bytes));
        watch = seen;
        return true;
    }
    if (count >= 4) {
        const __m128i first = load4(0), last = load4(count - 4);
        if (!AllAscii(_mm_or_si128(first, last)))
            return false;
        // Not watched (the watch stays unseen, so not clean): the search after costs less.
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
    Q_UNUSED(watch);
#endif
    return false;
}

} // namespace velloxa
