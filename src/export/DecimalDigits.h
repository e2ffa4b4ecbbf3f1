#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

inline int DigitCount(std::uint64_t value)
{
    static constexpr std::array<std::uint64_t, 20> Powers = [] {
        std::array<std::uint64_t, 20> powers{};
        std::uint64_t power = 1;
        for (auto& entry : powers) {
            entry = power;
            power *= 10;
        }
        return powers;
    }();
    // log10 from the bit length (1233 / 4096 ~ log10(2)), then one comparison to settle it.
    const int guess = ((64 - std::countl_zero(value | 1)) * 1233) >> 12;
    return guess + 1 - (value < Powers[std::size_t(guess)]);
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
    const int count = std::max(DigitCount(value), width);
    const std::uint64_t low = EightDigits(std::uint32_t(value % 100000000));
    if constexpr (sizeof(Char) == 1) {
        // Whole words: the first one holds the digits before the last eight (sixteen).
        if (count <= 8) {
            const std::uint64_t digits = LastDigits(low, count);
            std::memcpy(at, &digits, 8);
            return at + count;
        }
        // From the first word on: each one's bytes past its digits are the next word's place.
        const std::uint64_t high = value / 100000000;
        if (count <= 16) {
            const std::uint64_t first = LastDigits(EightDigits(std::uint32_t(high)), count - 8);
            std::memcpy(at, &first, 8);
        } else {
            const std::uint64_t first = LastDigits(EightDigits(std::uint32_t(high / 100000000)), count - 16);
            const std::uint64_t middle = EightDigits(std::uint32_t(high % 100000000));
            std::memcpy(at, &first, 8);
            std::memcpy(at + count - 16, &middle, 8);
        }
        std::memcpy(at + count - 8, &low, 8);
        return at + count;
    }
    // The twenty places, then the ones wanted.
    char places[24];
    std::memcpy(places + 16, &low, 8);
    const std::uint64_t high = value / 100000000;
    const std::uint64_t middle = EightDigits(std::uint32_t(high % 100000000));
    std::memcpy(places + 8, &middle, 8);
    const unsigned top = unsigned(high / 100000000); // below 1845
    PutTwoDigits(PutTwoDigits(places + 4, top / 100), top % 100);
    for (int i = 0; i < count; ++i)
        at[i] = Char(places[24 - count + i]);
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
