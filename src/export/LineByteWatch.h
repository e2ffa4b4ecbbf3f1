#pragma once

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace velloxa {

// Watches the bytes of text as it is narrowed (AsciiText.h) for what can break the export's
// line or need quotes: CR and LF, the separator's first byte and, when quoting, '"'. clean()
// says that none of them was seen, so that the bytes need no search of their own; any doubt
// answers false (every byte below 14 counts as a line break, and a watch that saw nothing or
// was spoiled is not clean). One minimum per block for each: a byte XORed with the one sought
// is zero where it is that byte.
class LineByteWatch {
public:
#ifdef __SSE2__
    explicit LineByteWatch(char separatorFirst = '\n', bool quotes = false)
        : separatorByte_(separatorFirst), quoteByte_(quotes ? '"' : separatorFirst),
          separator_(_mm_set1_epi8(separatorByte_)), quote_(_mm_set1_epi8(quoteByte_))
    {
    }

    void see(__m128i bytes)
    {
        seeSought(_mm_min_epu8(_mm_xor_si128(bytes, separator_), _mm_xor_si128(bytes, quote_)));
    }
    // For narrowing in wider blocks: the two bytes sought, and the lowest of the seen bytes
    // XORed with each.
    char separatorByte() const { return separatorByte_; }
    char quoteByte() const { return quoteByte_; }
    void seeSought(__m128i lowestXored) { sought_ = _mm_min_epu8(sought_, lowestXored); }
    // The lowest bytes of all the blocks seen, once at the end: the narrowing keeps them anyway.
    void seeLowest(__m128i bytes)
    {
        seen_ = true;
        lowest_ = _mm_min_epu8(lowest_, bytes);
    }
    void spoil() { seen_ = false; }
    bool clean() const
    {
        const __m128i lineBreaks = _mm_cmpeq_epi8(_mm_min_epu8(lowest_, _mm_set1_epi8(13)), lowest_);
        const __m128i found = _mm_cmpeq_epi8(sought_, _mm_setzero_si128());
        return seen_ && _mm_movemask_epi8(_mm_or_si128(lineBreaks, found)) == 0;
    }

private:
    char separatorByte_, quoteByte_;
    __m128i separator_, quote_;
    __m128i lowest_ = _mm_set1_epi8(char(0xFF));
    __m128i sought_ = _mm_set1_epi8(char(0xFF));
    bool seen_ = false;
#else
    explicit LineByteWatch(char = '\n', bool = false)
    {
    }
    void spoil() {}
    bool clean() const { return false; }
#endif
};

} // namespace velloxa
