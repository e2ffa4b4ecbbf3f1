#include "Text.h"

#include <algorithm>
#include <array>

namespace velloxa::sandbox {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point and advances i; malformed input yields U+FFFD and skips one byte.
char32_t nextCodePoint(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    const int extra = b0 >= 0xF0 && b0 < 0xF8 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC2 && b0 < 0xE0 ? 1 : -1;
    if (extra < 0 || i + size_t(extra) >= s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t cp = b0 & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + size_t(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = cp << 6 | (b & 0x3F);
    }
    i += size_t(extra) + 1;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Code points of bytes 0x80..0x9F in code page 1252; 0 marks the five unassigned bytes.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char toCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
    for (size_t k = 0; k < kCp1252High.size(); ++k)
        if (kCp1252High[k] != 0 && kCp1252High[k] == cp) return char(0x80 + k);
    return '?';
}

} // namespace

std::string utf16leToUtf8(const uint8_t* data, size_t byteCount)
{
    std::string out;
    out.reserve(byteCount / 2);
    const size_t units = byteCount / 2;
    for (size_t i = 0; i < units; ++i) {
        char32_t u = char32_t(data[2 * i] | data[2 * i + 1] << 8);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            const char32_t low = char32_t(data[2 * i + 2] | data[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                u = kReplacement;
            }
        } else if (u >= 0xD800 && u < 0xE000) {
            u = kReplacement;
        }
        appendUtf8(out, u);
    }
    return out;
}

void appendUtf16(std::u16string& out, std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += char16_t(utf8[i++]);
            continue;
        }
        const char32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
}

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    appendUtf16(out, utf8);
    return out;
}

void appendCp1252(std::string& out, std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += utf8[i++];
            continue;
        }
        out += toCp1252(nextCodePoint(utf8, i));
    }
}

std::string toLower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && toLower(a) == toLower(b);
}

} // namespace velloxa::sandbox
