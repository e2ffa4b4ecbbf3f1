#include "export/ShortestNumber.h"

#include "export/DecimalDigits.h"
#include "export/ShortCopy.h"

// The whole table of powers of ten (10 KB) instead of a part of it and a multiplication
// to recover the rest: Dragonbox is most of a double's cost.
#define FMT_USE_FULL_CACHE_DRAGONBOX 1
#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace velloxa {

namespace {

// Below this every integer is exact: its shortest digits padded with zeros are its exact value,
// which is what to_chars writes in the fixed form. Above it to_chars writes the exact integer.
template <typename Float>
constexpr Float ExactIntegersBelow = Float(1ULL << std::numeric_limits<Float>::digits);

template <typename Float>
char* PutShortestOf(char* at, Float value, char point)
{
    // Also false for NaN.
    const bool usual = std::fabs(value) > 0 && std::fabs(value) < ExactIntegersBelow<Float>;
    if (!usual) [[unlikely]] {
        char* const end = std::to_chars(at, at + MostShortestChars, value).ptr;
        std::replace(at, end, '.', point);
        return end;
    }
    if (value < 0) {
        *at++ = '-';
        value = -value;
    }
    // The shortest digits that read back as the value (Dragonbox): digits * 10^exponent. They
    // are written one place on, so that the point of either form goes in front of any of
    // them by moving the ones before it back a place.
    const auto decimal = fmt::detail::dragonbox::to_decimal(value);
    char* const end = PutUnsigned(at + 1, decimal.significand);
    const int count = int(end - at) - 1;
    const int exponent = decimal.exponent;
    const int pointAt = count + exponent; // digits before the point in the fixed form
    if (exponent < 0 && pointAt > 0) {    // the fixed form is the shorter by four or more
        CopyShort(at, at + 1, size_t(pointAt));
        at[pointAt] = point;
        return end;
    }
    const int scientificExponent = pointAt - 1;
    const int scientificLength = count + (count > 1) + 2 + (std::abs(scientificExponent) >= 100 ? 3 : 2);
    if (exponent >= 0 && pointAt <= scientificLength) {
        CopyShort(at, at + 1, size_t(count));
        // At most five zeros; there is room for eight, as a value below 2^53 has at most 15
        // digits before them.
        if (exponent > 0)
            std::memcpy(at + count, "00000000", 8);
        return at + pointAt;
    }
    if (pointAt <= 0 && 2 - exponent <= scientificLength) {
        // At most three zeros between the point and the digits.
        CopyShort(at + 2 - pointAt, at + 1, size_t(count));
        at[0] = '0';
        at[1] = point;
        for (int i = 2; i < 2 - pointAt; ++i)
            at[i] = '0';
        return at + 2 - exponent;
    }
    at[0] = at[1];
    if (count > 1) {
        at[1] = point;
        at = end;
    } else {
        ++at;
    }
    *at++ = 'e';
    *at++ = scientificExponent < 0 ? '-' : '+';
    const unsigned magnitude = unsigned(std::abs(scientificExponent));
    if (magnitude >= 100) {
        *at++ = char('0' + magnitude / 100);
        return PutTwoDigits(at, magnitude % 100);
    }
    return PutTwoDigits(at, magnitude);
}

} // namespace

char* PutShortest(char* at, double value, char point)
{
    return PutShortestOf(at, value, point);
}

char* PutShortest(char* at, float value, char point)
{
    return PutShortestOf(at, value, point);
}

} // namespace velloxa
