#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace velloxa {

// Decimal digits two at a time from a table of the pairs 00 to 99: one division by 100 for
// every two digits instead of one by 10 for each. Char is char for the file's bytes and
// char16_t for text.

inline constexpr std::array<char, 200> DigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[size_t(2 * i)] = char('0' + i / 10);
        pairs[size_t(2 * i + 1)] = char('0' + i % 10);
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
    return guess + 1 - (value < Powers[size_t(guess)]);
}

// `value` in decimal, at least `width` digits (zeros in front); at most 20 characters.
template <typename Char>
Char* PutUnsigned(Char* at, std::uint64_t value, int width = 1)
{
    const int count = DigitCount(value);
    for (int i = count; i < width; ++i)
        *at++ = Char('0');
    Char* const end = at + count;
    Char* back = end;
    while (value >= 100) {
        back = PutTwoDigits(back - 2, unsigned(value % 100)) - 2;
        value /= 100;
    }
    if (value >= 10)
        PutTwoDigits(back - 2, unsigned(value));
    else
        back[-1] = Char('0' + value);
    return end;
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
