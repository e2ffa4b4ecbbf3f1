#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h> // SSE2, which every x86-64 processor has
#endif

namespace velloxa {

// Decimal digits two at a time from a table of the pairs 00 to 99: one division by 100 for
// every two digits instead of one by 10 for each. Char is char for the file's bytes and
// char16_t for text.

inline constexpr std::array<char, 200> DigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[std::size_t(2 * i)] = char('0' + i / 10);
        pairs[std::size_t(2 * i + 1)] = char('0' + i % 10);
    }
    return pairs;
}();

// The two digits of `value` (0 to 99).
template <typename Char>
Char* PutTwoDigits(Char* at, unsigned value)
{
    at[0] = Char(DigitPairs[2 * value]);
    at[1] = Char(DigitPairs[2 * value + 1]);
    return at + 2;
}

// One digit below 10, two from 10 to 99.
template <typename Char>
Char* PutOneOrTwoDigits(Char* at, unsigned value)
{
    if (value < 10) {
        *at = Char('0' + value);
        return at + 1;
    }
    return PutTwoDigits(at, value);
}

// The eight digits of `value` (below 10^8) as the bytes of a word in memory order, the first
// digit first: the eight computed side by side in the word's lanes, halving four times.
inline std::uint64_t EightDigits(std::uint32_t value)
{
    std::uint64_t word = (value / 10000) | (std::uint64_t(value % 10000) << 32);
    std::uint64_t high = ((word * 10486) >> 20) & 0x0000007F0000007F; // x / 100 for x < 10^4
    word = high | ((word - high * 100) << 16);
    high = ((word * 103) >> 10) & 0x000F000F000F000F; // x / 10 for x < 100
    word = high | ((word - high * 10) << 8);
    word += 0x3030303030303030;
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// The sixteen digits of a value below 10^16: two words of EightDigits, the first eight first.
struct SixteenDigits {
    std::uint64_t first;
    std::uint64_t last;
};

inline SixteenDigits SixteenDigitsOf(std::uint64_t value)
{
    const std::uint64_t high = value / 100000000, low = value % 100000000;
#if defined(__x86_64__) || defined(_M_X64)
    // EightDigits for both halves at once, in the lanes of one vector register: groups of four
    // digits in 32-bit lanes, pairs in 16-bit lanes, then digits in bytes.
    const __m128i halves = _mm_set_epi64x(std::int64_t(low), std::int64_t(high));
    const __m128i fronts = _mm_srli_epi64(_mm_mul_epu32(halves, _mm_set1_epi32(int(0xD1B71759))), 45); // x / 10^4
    const __m128i backs = _mm_sub_epi32(halves, _mm_mul_epu32(fronts, _mm_set1_epi32(10000)));
    const __m128i fours = _mm_or_si128(fronts, _mm_slli_epi64(backs, 32));
    // x / 100 for x < 10^4, in 32-bit lanes: multiply-add of 16-bit halves whose upper one is 0
    const __m128i hundreds = _mm_srli_epi32(_mm_madd_epi16(fours, _mm_set1_epi32(5243)), 19);
    const __m128i twos = _mm_or_si128(hundreds, _mm_slli_epi32(_mm_sub_epi32(fours, _mm_madd_epi16(hundreds, _mm_set1_epi32(100))), 16));
    // x / 10 for x < 100, and ten times the fraction of it that the low half of the product keeps
    const __m128i tens = _mm_mulhi_epu16(twos, _mm_set1_epi16(6554));
    const __m128i ones = _mm_mulhi_epu16(_mm_mullo_epi16(twos, _mm_set1_epi16(6554)), _mm_set1_epi16(10));
    const __m128i digits = _mm_add_epi8(_mm_or_si128(tens, _mm_slli_epi16(ones, 8)), _mm_set1_epi8('0'));
    return {std::uint64_t(_mm_cvtsi128_si64(digits)), std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(digits, digits)))};
#else
    return {EightDigits(std::uint32_t(high)), EightDigits(std::uint32_t(low))};
#endif
}

// The zeros in front of the digits of a word of EightDigits, at most seven: the last digit
// counts even when it is a zero.
inline int LeadingZeros(std::uint64_t digits)
{
    const std::uint64_t values = digits - 0x3030303030303030;
    if constexpr (std::endian::native == std::endian::big)
        return std::countl_zero(values | 1) / 8;
    else
        return std::countr_zero(values | std::uint64_t(1) << 63) / 8;
}

// The `count` last digits of a word of EightDigits, moved to its first bytes.
inline std::uint64_t LastDigits(std::uint64_t digits, int count)
{
    if constexpr (std::endian::native == std::endian::big)
        return digits << (8 * (8 - count));
    else
        return digits >> (8 * (8 - count));
}

// `value` in decimal, at least `width` digits (zeros in front, width at most 20); at most 20
// characters. As bytes it may write up to 20 at `at`, past the digits.
template <typename Char>
Char* PutUnsigned(Char* at, std::uint64_t value, int width = 1)
{
    if (value < 10 && width <= 1) {
        *at = Char('0' + value);
        return at + 1;
    }
    if constexpr (sizeof(Char) == 1) {
        // Whole words, the first one shifted to start with the first digit; each word's bytes
        // past its digits are the next word's place.
        if (value < 100000000 && width <= 8) {
            const std::uint64_t digits = EightDigits(std::uint32_t(value));
            const int count = std::max(8 - LeadingZeros(digits), width);
            const std::uint64_t first = LastDigits(digits, count);
            std::memcpy(at, &first, 8);
            return at + count;
        }
        if (value < 10000000000000000 && width <= 16) {
            const SixteenDigits digits = SixteenDigitsOf(value);
            const int count = std::max(16 - LeadingZeros(digits.first), width);
            const std::uint64_t first = LastDigits(digits.first, count - 8);
            std::memcpy(at, &first, 8);
            std::memcpy(at + count - 8, &digits.last, 8);
            return at + count;
        }
        // The digits before the last sixteen (one for a double's digits), then those.
        const SixteenDigits digits = SixteenDigitsOf(value % 10000000000000000);
        at = PutUnsigned(at, value / 10000000000000000, width - 16);
        std::memcpy(at, &digits.first, 8);
        std::memcpy(at + 8, &digits.last, 8);
        return at + 16;
    }
    // Through the bytes.
    char bytes[24];
    const int count = int(PutUnsigned(bytes, value, width) - bytes);
    for (int i = 0; i < count; ++i)
        at[i] = Char(bytes[i]);
    return at + count;
}

// A leading '-' when negative; at most 20 characters.
template <typename Char>
Char* PutSigned(Char* at, std::int64_t value, int width = 1)
{
    std::uint64_t magnitude = std::uint64_t(value);
    if (value < 0) {
        *at++ = Char('-');
        magnitude = 0 - magnitude;
    }
    return PutUnsigned(at, magnitude, width);
}

} // namespace velloxa
