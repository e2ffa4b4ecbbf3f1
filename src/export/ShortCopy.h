#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace velloxa {

// Copies `count` bytes, at most 24: two overlapping fixed-size copies, which the compiler
// turns into plain moves, instead of a call into the C library for a few bytes.
inline void CopyShort(char* to, const char* from, std::size_t count)
{
    const auto overlapping = [&](auto width) {
        std::memcpy(to, from, width);
        std::memcpy(to + count - width, from + count - width, width);
    };
    if (count > 16) {
        std::memcpy(to, from, 16);
        std::memcpy(to + count - 8, from + count - 8, 8);
    } else if (count >= 8) {
        overlapping(std::integral_constant<std::size_t, 8>());
    } else if (count >= 4) {
        overlapping(std::integral_constant<std::size_t, 4>());
    } else if (count >= 2) {
        overlapping(std::integral_constant<std::size_t, 2>());
    } else if (count == 1) {
        *to = *from;
    }
}

} // namespace velloxa
