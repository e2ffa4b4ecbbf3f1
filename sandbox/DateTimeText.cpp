#include "DateTimeText.h"

#include <cstdio>

namespace velloxa::sandbox {
namespace {

// Days from 0001-01-01 in the proleptic Gregorian calendar.
int32_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 306;
}

int daysInMonth(int y, int m)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// The inverse of daysFromCivil.
void civilFromDays(int32_t days, int& y, int& m, int& d)
{
    const int32_t z = days + 306;
    const int era = z / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : s_(text) {}
    bool atEnd() const { return i_ >= s_.size(); }
    bool accept(char c)
    {
        if (!atEnd() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    // Exactly `count` digits (count 0: one or more), or nothing.
    std::optional<int> digits(int count)
    {
        int value = 0, n = 0;
        while (!atEnd() && s_[i_] >= '0' && s_[i_] <= '9' && (count == 0 || n < count)) {
            value = value * 10 + (s_[i_++] - '0');
            ++n;
        }
        if (n == 0 || (count != 0 && n != count)) return std::nullopt;
        return value;
    }
    // Fraction digits after '.', as 100 ns ticks (digits beyond the seventh are dropped).
    int64_t fraction()
    {
        int64_t ticks = 0;
        int n = 0;
        while (!atEnd() && s_[i_] >= '0' && s_[i_] <= '9') {
            if (n < 7) ticks = ticks * 10 + (s_[i_] - '0');
            ++n;
            ++i_;
        }
        for (; n < 7; ++n) ticks *= 10;
        return ticks;
    }

private:
    std::string_view s_;
    size_t i_ = 0;
};

std::optional<int64_t> parseTime(Cursor& c)
{
    const auto h = c.digits(0);
    if (!h || !c.accept(':')) return std::nullopt;
    const auto m = c.digits(2);
    if (!m) return std::nullopt;
    int s = 0;
    int64_t fraction = 0;
    if (c.accept(':')) {
        const auto sec = c.digits(2);
        if (!sec) return std::nullopt;
        s = *sec;
        if (c.accept('.')) fraction = c.fraction();
    }
    if (*h > 23 || *m > 59 || s > 59) return std::nullopt;
    return (int64_t(*h) * 3600 + *m * 60 + s) * kTicksPerSecond + fraction;
}

} // namespace

std::optional<DateTimeValue> parseDateTime(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    Cursor c(text);
    DateTimeValue value;
    if (text.size() >= 3 && text[2] == ':') {
        const auto t = parseTime(c);
        if (!t || !c.atEnd()) return std::nullopt;
        value.ticksOfDay = *t;
        return value;
    }
    const auto y = c.digits(4);
    if (!y || !c.accept('-')) return std::nullopt;
    const auto m = c.digits(2);
    if (!m || !c.accept('-')) return std::nullopt;
    const auto d = c.digits(2);
    if (!d || *y < 1 || *m < 1 || *m > 12 || *d < 1 || *d > daysInMonth(*y, *m)) return std::nullopt;
    value.daysSince0001 = daysFromCivil(*y, *m, *d) - daysFromCivil(1, 1, 1);
    if (c.atEnd()) return value;
    if (!c.accept(' ') && !c.accept('T')) return std::nullopt;
    const auto t = parseTime(c);
    if (!t) return std::nullopt;
    c.accept('Z');
    if (!c.atEnd()) return std::nullopt;
    value.ticksOfDay = *t;
    return value;
}

std::string formatDateTime(const DateTimeValue& value, bool date, bool time)
{
    char text[40] = "";
    int length = 0;
    if (date) {
        int y = 0, m = 0, d = 0;
        civilFromDays(value.daysSince0001, y, m, d);
        length = std::snprintf(text, sizeof text, "%04d-%02d-%02d%s", y, m, d, time ? " " : "");
    }
    if (time) {
        const int64_t seconds = value.ticksOfDay / kTicksPerSecond;
        length += std::snprintf(text + length, sizeof text - size_t(length), "%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
        if (const int64_t fraction = value.ticksOfDay % kTicksPerSecond) {
            char digits[16];
            std::snprintf(digits, sizeof digits, ".%07lld", static_cast<long long>(fraction));
            std::string trimmed(digits);
            trimmed.erase(trimmed.find_last_not_of('0') + 1);
            return std::string(text) + trimmed;
        }
    }
    return text;
}

} // namespace velloxa::sandbox
