#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace velloxa {

// Copies `count` bytes, at most 24, also where the two places overlap: two overlapping
// fixed-size copies, both read before either is written, which the compiler turns into plain
// moves, instead of a call into the C library for a few bytes.
inline void CopyShort(char* to, const char* from, std::size_t count)
{
    const auto overlapping = [&](auto headWidth, auto tailWidth) {
        char head[decltype(headWidth)::value], tail[decltype(tailWidth)::value];
        std::memcpy(head, from, headWidth);
        std::memcpy(tail, from + count - tailWidth, tailWidth);
        std::memcpy(to, head, headWidth);
        std::memcpy(to + count - tailWidth, tail, tailWidth);
    };
    using Eight = std::integral_constant<std::size_t, 8>;
    if (count > 16) {
        overlapping(std::integral_constant<std::size_t, 16>(), Eight());
    } else if (count >= 8) {
        overlapping(Eight(), Eight());
    } else if (count >= 4) {
        overlapping(std::integral_constant<std::size_t, 4>(), std::integral_constant<std::size_t, 4>());
    } else if (count >= 2) {
        overlapping(std::integral_constant<std::size_t, 2>(), std::integral_constant<std::size_t, 2>());
    } else if (count == 1) {
        *to = *from;
    }
}

} // namespace velloxa
