#include "IntegerConversion.h"

#include <cstdlib>
#include <string>

namespace velloxa::sandbox {

std::optional<IntegerRange> integerRange(SqlType type)
{
    switch (type) {
    case SqlType::TinyInt: return IntegerRange{0, 255};
    case SqlType::SmallInt: return IntegerRange{-32768, 32767};
    case SqlType::Int: return IntegerRange{-2147483648.0L, 2147483647.0L};
    case SqlType::BigInt: return IntegerRange{-9223372036854775807.0L - 1, 9223372036854775807.0L};
    default: return std::nullopt;
    }
}

std::optional<long double> integerFromText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const size_t digitsAt = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (digitsAt == text.size() || text.find_first_not_of("0123456789", digitsAt) != std::string_view::npos) return std::nullopt;
    return std::strtold(std::string(text).c_str(), nullptr);
}

} // namespace velloxa::sandbox
