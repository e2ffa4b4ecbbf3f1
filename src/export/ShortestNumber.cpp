#include "export/ShortestNumber.h"

#include "export/DecimalDigits.h"
#include "export/ShortCopy.h"

// The whole table of powers of ten (10 KB) instead of a part of it and a multiplication
// to recover the rest: Dragonbox is most of a double's cost.
#define FMT_USE_FULL_CACHE_DRAGONBOX 1
#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace velloxa {

namespace {

// Below this every integer is exact: its shortest digits padded with zeros are its exact value,
// which is what to_chars writes in the fixed form. Above it to_chars writes the exact integer.
template <typename Float>
constexpr Float ExactIntegersBelow = Float(1ULL << std::numeric_limits<Float>::digits);

template <typename Float>
char* PutShortestOf(char* at, Float value)
{
    if (!std::isfinite(value) || value == 0 || std::fabs(value) >= ExactIntegersBelow<Float>) [[unlikely]]
        return std::to_chars(at, at + MostShortestChars, value).ptr;
    if (value < 0) {
        *at++ = '-';
        value = -value;
    }
    // The shortest digits that read back as the value (Dragonbox): digits * 10^exponent.
    const auto decimal = fmt::detail::dragonbox::to_decimal(value);
    char digits[24];
    const int count = int(PutUnsigned(digits, decimal.significand) - digits);
    const int exponent = decimal.exponent;
    const int scientificExponent = exponent + count - 1;
    const int scientificLength = count + (count > 1) + 2 + (std::abs(scientificExponent) >= 100 ? 3 : 2);
    const int pointAt = count + exponent; // digits before the point in the fixed form
    const int fixedLength = exponent >= 0 ? pointAt : pointAt > 0 ? count + 1
                                                                  : 2 - exponent;
    if (fixedLength <= scientificLength) {
        // The shorter fixed form has few zeros: at most five after the digits, three before.
        if (exponent >= 0) {
            CopyShort(at, digits, size_t(count));
            for (int i = 0; i < exponent; ++i)
                at[count + i] = '0';
        } else if (pointAt > 0) {
            CopyShort(at, digits, size_t(pointAt));
            at[pointAt] = '.';
            CopyShort(at + pointAt + 1, digits + pointAt, size_t(-exponent));
        } else {
            at[0] = '0';
            at[1] = '.';
            for (int i = 0; i < -pointAt; ++i)
                at[2 + i] = '0';
            CopyShort(at + 2 - pointAt, digits, size_t(count));
        }
        return at + fixedLength;
    }
    *at++ = digits[0];
    if (count > 1) {
        *at++ = '.';
        CopyShort(at, digits + 1, size_t(count - 1));
        at += count - 1;
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

char* PutShortest(char* at, double value)
{
    return PutShortestOf(at, value);
}

char* PutShortest(char* at, float value)
{
    return PutShortestOf(at, value);
}

} // namespace velloxa
