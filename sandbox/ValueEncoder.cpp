#include "ValueEncoder.h"

#include "DateTimeText.h"
#include "PacketWriter.h"
#include "Text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace velloxa::sandbox {
namespace {

__extension__ typedef unsigned __int128 Magnitude;

struct ScaledNumber {
    bool negative = false;
    Magnitude magnitude = 0;
};

Magnitude powerOfTen(int n)
{
    Magnitude p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// "-123.456" with scale 2 -> negative, 12346 (rounded half away from zero).
std::optional<ScaledNumber> parseScaled(std::string_view text, int scale)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    ScaledNumber n;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) n.negative = text[i++] == '-';
    bool anyDigit = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        n.magnitude = n.magnitude * 10 + Magnitude(text[i++] - '0');
        anyDigit = true;
    }
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (fractionDigits < scale) {
                n.magnitude = n.magnitude * 10 + Magnitude(text[i] - '0');
                ++fractionDigits;
            } else if (fractionDigits == scale) {
                roundUp = text[i] >= '5';
                ++fractionDigits;
            }
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit || i != text.size()) return std::nullopt;
    n.magnitude *= powerOfTen(scale - std::min(fractionDigits, scale));
    if (roundUp) n.magnitude += 1;
    if (n.magnitude == 0) n.negative = false;
    return n;
}

std::optional<ScaledNumber> scaledValue(sqlite3_stmt* row, int index, int scale, std::string& scratch)
{
    switch (sqlite3_column_type(row, index)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(row, index);
        ScaledNumber n;
        n.negative = v < 0;
        n.magnitude = Magnitude(v < 0 ? -static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v)) * powerOfTen(scale);
        return n;
    }
    case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(row, index);
        if (!std::isfinite(v)) return std::nullopt;
        // SQLite keeps a decimal as a double; the server keeps the decimal digits it was given.
        // A double's 15 significant digits are those digits (0.145, 99999999.99), so the value
        // is rounded from them, half away from zero, not from the double's binary expansion
        // (0.14499999999999999, 99999999.989999994...).
        const double scaled = v * double(powerOfTen(scale));
        const double fraction = std::fabs(scaled - std::trunc(scaled));
        if (std::fabs(scaled) < 9e15 && std::fabs(fraction - 0.5) > 1e-6) {
            const long long units = std::llround(scaled);
            return ScaledNumber{units < 0, Magnitude(units < 0 ? -units : units)};
        }
        scratch.resize(400);
        int length = std::snprintf(scratch.data(), scratch.size(), "%.15g", v);
        if (scratch.find_first_of("eE") < size_t(std::max(length, 0)))
            length = std::snprintf(scratch.data(), scratch.size(), "%.*f", scale, v);
        scratch.resize(size_t(std::max(length, 0)));
        return parseScaled(scratch, scale);
    }
    case SQLITE_TEXT:
        return parseScaled({reinterpret_cast<const char*>(sqlite3_column_text(row, index)), size_t(sqlite3_column_bytes(row, index))}, scale);
    default:
        return std::nullopt;
    }
}

std::string_view columnText(sqlite3_stmt* row, int index)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, index));
    return {text ? text : "", size_t(sqlite3_column_bytes(row, index))};
}

void putLittleEndian(PacketWriter& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.u8(uint8_t(value >> (8 * i)));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

void ValueEncoder::writeNull(PacketWriter& out, const ColumnType& c)
{
    switch (c.type) {
    case SqlType::Char:
    case SqlType::VarChar:
    case SqlType::NChar:
    case SqlType::NVarChar:
    case SqlType::Binary:
    case SqlType::VarBinary:
    case SqlType::Xml:
        if (c.isPlp())
            out.u64(~0ULL);
        else
            out.u16(0xFFFF);
        break;
    default: // a one-byte length (or text pointer length) of 0
        out.u8(0);
    }
}

void ValueEncoder::write(PacketWriter& out, const ColumnType& c, sqlite3_stmt* row, int index)
{
    if (sqlite3_column_type(row, index) == SQLITE_NULL) return writeNull(out, c);
    switch (c.type) {
    case SqlType::TinyInt: out.u8(1); out.u8(uint8_t(sqlite3_column_int64(row, index))); break;
    case SqlType::SmallInt: out.u8(2); out.u16(uint16_t(sqlite3_column_int64(row, index))); break;
    case SqlType::Int: out.u8(4); out.u32(uint32_t(sqlite3_column_int64(row, index))); break;
    case SqlType::BigInt: out.u8(8); out.u64(uint64_t(sqlite3_column_int64(row, index))); break;
    case SqlType::Bit: out.u8(1); out.u8(sqlite3_column_int64(row, index) != 0 ? 1 : 0); break;
    case SqlType::Decimal:
    case SqlType::Numeric: writeDecimal(out, c, row, index); break;
    case SqlType::Money:
    case SqlType::SmallMoney: writeMoney(out, c, row, index); break;
    case SqlType::Float: {
        const double v = sqlite3_column_double(row, index);
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        out.u8(8);
        out.u64(bits);
        break;
    }
    case SqlType::Real: {
        const float v = float(sqlite3_column_double(row, index));
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        out.u8(4);
        out.u32(bits);
        break;
    }
    case SqlType::Char:
    case SqlType::VarChar:
    case SqlType::NChar:
    case SqlType::NVarChar:
    case SqlType::Text:
    case SqlType::NText:
    case SqlType::Xml: writeText(out, c, columnText(row, index)); break;
    case SqlType::Date:
    case SqlType::Time:
    case SqlType::DateTime:
    case SqlType::DateTime2:
    case SqlType::SmallDateTime: writeTemporal(out, c, columnText(row, index)); break;
    case SqlType::UniqueIdentifier: writeGuid(out, c, row, index); break;
    case SqlType::Binary:
    case SqlType::VarBinary:
    case SqlType::Image: writeBytes(out, c, sqlite3_column_blob(row, index), size_t(sqlite3_column_bytes(row, index))); break;
    }
}

void ValueEncoder::writeText(PacketWriter& out, const ColumnType& c, std::string_view utf8)
{
    const bool wide = c.type == SqlType::NChar || c.type == SqlType::NVarChar || c.type == SqlType::NText || c.type == SqlType::Xml;
    const bool bounded = !c.isMax() && c.type != SqlType::Text && c.type != SqlType::NText && c.type != SqlType::Xml;
    if (wide) {
        wide_.clear();
        appendUtf16(wide_, utf8);
        if (bounded && wide_.size() > size_t(c.length)) wide_.resize(size_t(c.length));
        if (c.type == SqlType::NChar) wide_.resize(size_t(c.length), u' ');
        writeSized(out, c, wide_.data(), wide_.size() * 2);
    } else {
        narrow_.clear();
        appendCp1252(narrow_, utf8);
        if (bounded && narrow_.size() > size_t(c.length)) narrow_.resize(size_t(c.length));
        if (c.type == SqlType::Char) narrow_.resize(size_t(c.length), ' ');
        writeSized(out, c, narrow_.data(), narrow_.size());
    }
}

void ValueEncoder::writeBytes(PacketWriter& out, const ColumnType& c, const void* data, size_t size)
{
    if (c.isMax() || c.type == SqlType::Image || (size <= size_t(c.length) && c.type == SqlType::VarBinary))
        return writeSized(out, c, data, size);
    narrow_.assign(static_cast<const char*>(data), std::min(size, size_t(c.length)));
    if (c.type == SqlType::Binary) narrow_.resize(size_t(c.length), '\0');
    writeSized(out, c, narrow_.data(), narrow_.size());
}

// A USHORT-prefixed value; for (max) columns and xml a PLP stream of one chunk; for text, ntext
// and image a text pointer, a timestamp and a LONG-prefixed value.
void ValueEncoder::writeSized(PacketWriter& out, const ColumnType& c, const void* data, size_t size)
{
    if (c.isCutByTextSize() && size > textSize_) {
        size = size_t(textSize_);
        // The server cuts whole characters of UCS-2 text.
        if (c.type == SqlType::NVarChar || c.type == SqlType::NText) size &= ~size_t(1);
    }
    if (c.isTextPointer()) {
        static constexpr uint8_t textPointer[16] = {};
        static constexpr uint8_t timestamp[8] = {};
        out.u8(sizeof textPointer);
        out.put(textPointer, sizeof textPointer);
        out.put(timestamp, sizeof timestamp);
        out.u32(uint32_t(size));
        out.put(data, size);
        return;
    }
    if (!c.isPlp()) {
        out.u16(uint16_t(size));
        out.put(data, size);
        return;
    }
    out.u64(size);
    if (size > 0) {
        out.u32(uint32_t(size));
        out.put(data, size);
    }
    out.u32(0);
}

void ValueEncoder::writeDecimal(PacketWriter& out, const ColumnType& c, sqlite3_stmt* row, int index)
{
    const auto n = scaledValue(row, index, c.scale, number_);
    if (!n) return writeNull(out, c);
    const uint8_t length = decimalByteLength(c.precision);
    out.u8(length);
    out.u8(n->negative ? 0 : 1);
    for (int i = 0; i < length - 1; ++i) out.u8(uint8_t(n->magnitude >> (8 * i)));
}

void ValueEncoder::writeMoney(PacketWriter& out, const ColumnType& c, sqlite3_stmt* row, int index)
{
    const auto n = scaledValue(row, index, 4, number_);
    if (!n || n->magnitude > Magnitude(INT64_MAX)) return writeNull(out, c);
    const int64_t units = n->negative ? -int64_t(n->magnitude) : int64_t(n->magnitude);
    if (c.type == SqlType::SmallMoney) {
        out.u8(4);
        out.u32(uint32_t(int32_t(units)));
    } else {
        out.u8(8);
        out.u32(uint32_t(uint64_t(units) >> 32));
        out.u32(uint32_t(uint64_t(units)));
    }
}

void ValueEncoder::writeTemporal(PacketWriter& out, const ColumnType& c, std::string_view text)
{
    const auto v = parseDateTime(text);
    if (!v) return writeNull(out, c);
    switch (c.type) {
    case SqlType::Date:
        out.u8(3);
        putLittleEndian(out, uint64_t(v->daysSince0001), 3);
        break;
    case SqlType::Time:
    case SqlType::DateTime2: {
        // Fewer fraction digits than stored round half up, as the server rounds at INSERT;
        // a time rounded to midnight is 00:00, a datetime2 then moves to the next day.
        const uint8_t timeBytes = timeByteLength(c.scale);
        int64_t unit = 1;
        for (int s = c.scale; s < 7; ++s) unit *= 10;
        int64_t units = (v->ticksOfDay + unit / 2) / unit;
        int32_t days = v->daysSince0001;
        if (units >= 86400 * kTicksPerSecond / unit) {
            units -= 86400 * kTicksPerSecond / unit;
            ++days;
        }
        out.u8(uint8_t(c.type == SqlType::Time ? timeBytes : timeBytes + 3));
        putLittleEndian(out, uint64_t(units), timeBytes);
        if (c.type == SqlType::DateTime2) putLittleEndian(out, uint64_t(days), 3);
        break;
    }
    case SqlType::DateTime: {
        int32_t days = v->daysSince0001 - kDaysFrom0001To1900;
        int64_t ticks = (v->ticksOfDay * 3 + 50'000) / 100'000; // 1/300 s
        if (ticks >= 300LL * 86400) {
            ticks -= 300LL * 86400;
            ++days;
        }
        out.u8(8);
        out.u32(uint32_t(days));
        out.u32(uint32_t(ticks));
        break;
    }
    case SqlType::SmallDateTime: {
        int32_t days = v->daysSince0001 - kDaysFrom0001To1900;
        int64_t minutes = (v->ticksOfDay + 30 * kTicksPerSecond) / (60 * kTicksPerSecond);
        if (minutes >= 1440) {
            minutes -= 1440;
            ++days;
        }
        if (days < 0 || days > 0xFFFF) return writeNull(out, c);
        out.u8(4);
        out.u16(uint16_t(days));
        out.u16(uint16_t(minutes));
        break;
    }
    default:
        writeNull(out, c);
    }
}

void ValueEncoder::writeGuid(PacketWriter& out, const ColumnType& c, sqlite3_stmt* row, int index)
{
    uint8_t b[16];
    if (sqlite3_column_type(row, index) == SQLITE_BLOB && sqlite3_column_bytes(row, index) == 16) {
        std::memcpy(b, sqlite3_column_blob(row, index), 16);
    } else {
        const std::string_view text = columnText(row, index);
        int n = 0;
        for (char ch : text) {
            if (ch == '-' || ch == '{' || ch == '}') continue;
            const int d = hexDigit(ch);
            if (d < 0 || n >= 32) return writeNull(out, c);
            if (n % 2 == 0)
                b[n / 2] = uint8_t(d << 4);
            else
                b[n / 2] = uint8_t(b[n / 2] | d);
            ++n;
        }
        if (n != 32) return writeNull(out, c);
        // The first three groups travel little-endian.
        std::swap(b[0], b[3]);
        std::swap(b[1], b[2]);
        std::swap(b[4], b[5]);
        std::swap(b[6], b[7]);
    }
    out.u8(16);
    out.put(b, 16);
}

} // namespace velloxa::sandbox
