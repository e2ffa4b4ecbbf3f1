// Conversions between SQLite's UTF-8, the wire's UTF-16LE and code page 1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velloxa::sandbox {

// UTF-16LE bytes (as they arrive in a message) to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16leToUtf8(const uint8_t* data, size_t byteCount);

// Appends the UTF-16 code units of a UTF-8 text; malformed bytes become U+FFFD.
void appendUtf16(std::u16string& out, std::string_view utf8);
std::u16string toUtf16(std::string_view utf8);

// Appends the code page 1252 bytes of a UTF-8 text; characters outside it become '?'.
void appendCp1252(std::string& out, std::string_view utf8);

// ASCII case folding, enough for identifiers, keywords and login names.
std::string toLower(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace velloxa::sandbox
