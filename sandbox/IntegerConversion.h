// How a server turns a value into one of its integer types, shared by the load check and the
// checked CAST: the type's range, and character data read as an integer ("[+-]digits" between
// blanks; anything else is conversion error 245).
#pragma once

#include "ColumnType.h"

#include <optional>
#include <string_view>

namespace velloxa::sandbox {

struct IntegerRange {
    long double low, high;
    bool holds(long double v) const { return v >= low && v <= high; }
};

// For tinyint, smallint, int and bigint; nothing for other types.
std::optional<IntegerRange> integerRange(SqlType type);

std::optional<long double> integerFromText(std::string_view text);

} // namespace velloxa::sandbox
