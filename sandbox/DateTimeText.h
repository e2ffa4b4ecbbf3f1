// Dates and times as the sandbox stores them in SQLite: text "YYYY-MM-DD", "HH:MM:SS[.fffffff]"
// or "YYYY-MM-DD HH:MM:SS[.fffffff]" ('T' also accepted between date and time).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velloxa::sandbox {

struct DateTimeValue {
    int32_t daysSince0001 = 0;   // 0001-01-01 is day 0
    int64_t ticksOfDay = 0;      // 100 ns units since midnight
};

std::optional<DateTimeValue> parseDateTime(std::string_view text);

// The stored form of a value: "YYYY-MM-DD", "HH:MM:SS[.f...]" or both with a blank between;
// the fraction without trailing zeros, as a script would write it.
std::string formatDateTime(const DateTimeValue& value, bool date, bool time);

inline constexpr int32_t kDaysFrom0001To1900 = 693595;
inline constexpr int64_t kTicksPerSecond = 10'000'000;

} // namespace velloxa::sandbox
