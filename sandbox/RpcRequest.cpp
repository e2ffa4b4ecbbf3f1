#include "RpcRequest.h"

#include "DateTimeText.h"
#include "Text.h"
#include "Wire.h"

#include <cstdio>
#include <cstring>

namespace velloxa::sandbox {
namespace {

namespace tds {
constexpr uint8_t IntN = 0x26, BitN = 0x68, Int1 = 0x30, Bit = 0x32, Int2 = 0x34, Int4 = 0x38, Int8 = 0x7F;
constexpr uint8_t NVarChar = 0xE7, NChar = 0xEF, BigVarChar = 0xA7, BigChar = 0xAF, NText = 0x63, Text = 0x23;
constexpr uint8_t FloatN = 0x6D, DecimalN = 0x6A, NumericN = 0x6C, MoneyN = 0x6E, Guid = 0x24;
constexpr uint8_t DateTimeN = 0x6F, DateN = 0x28, TimeN = 0x29, DateTime2N = 0x2A;
constexpr uint8_t BigVarBinary = 0xA5, BigBinary = 0xAD;
} // namespace tds

struct UnreadableType {
    uint8_t type;
};

void skipAllHeaders(ByteReader& in)
{
    if (in.remaining() < 4) return;
    const uint32_t total = in.u32();
    if (total < 4 || total - 4 > in.remaining()) throw ProtocolError("bad ALL_HEADERS length");
    in.skip(total - 4);
}

std::string bytesToText(const uint8_t* data, size_t size, bool wide)
{
    if (wide) return utf16leToUtf8(data, size);
    return std::string(reinterpret_cast<const char*>(data), size); // the sandbox's ASCII peers only
}

// A PLP value: total length, then chunks until a zero-length one.
std::optional<std::vector<uint8_t>> readPlpBytes(ByteReader& in)
{
    const uint64_t total = in.u64();
    if (total == ~0ULL) return std::nullopt;
    std::vector<uint8_t> data;
    for (;;) {
        const uint32_t chunk = in.u32();
        if (chunk == 0) break;
        const uint8_t* p = in.bytes(chunk);
        data.insert(data.end(), p, p + chunk);
    }
    return data;
}

std::optional<std::string> readPlp(ByteReader& in, bool wide)
{
    const auto data = readPlpBytes(in);
    if (!data) return std::nullopt;
    return bytesToText(data->data(), data->size(), wide);
}

uint64_t unsignedLittleEndian(const uint8_t* p, size_t n)
{
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = v << 8 | p[i];
    return v;
}

// Digits of an unsigned magnitude of up to 16 bytes with `scale` of them after the point.
std::string decimalText(const uint8_t* magnitude, size_t bytes, int scale, bool negative)
{
    __extension__ typedef unsigned __int128 Magnitude;
    Magnitude v = 0;
    for (size_t i = bytes; i-- > 0;) v = v << 8 | magnitude[i];
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(v % 10)));
        v /= 10;
    } while (v > 0);
    if (scale > 0) {
        if (digits.size() <= size_t(scale)) digits.insert(0, size_t(scale) + 1 - digits.size(), '0');
        digits.insert(digits.size() - size_t(scale), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

// A time of day in units of 10^-scale seconds, as TIMEN and DATETIME2N carry it.
int64_t ticksOfDay(const uint8_t* p, size_t bytes, int scale)
{
    int64_t units = int64_t(unsignedLittleEndian(p, bytes));
    for (int s = scale; s < 7; ++s) units *= 10;
    return units;
}

std::string guidText(const uint8_t* b)
{
    // The first three groups travel little-endian.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    char hex[3];
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        std::snprintf(hex, sizeof hex, "%02X", b[order[i]]);
        text += hex;
    }
    return text;
}

int64_t littleEndian(const uint8_t* p, size_t n)
{
    uint64_t v = unsignedLittleEndian(p, n);
    if (n < 8 && (p[n - 1] & 0x80)) v |= ~0ULL << (8 * n); // sign-extend
    return int64_t(v);
}

void readValue(ByteReader& in, RpcParameter& p)
{
    const uint8_t type = in.u8();
    switch (type) {
    case tds::IntN:
    case tds::BitN: {
        in.u8(); // maximum length
        const uint8_t length = in.u8();
        if (length > 8) throw ProtocolError("bad integer length");
        if (length > 0) p.integer = littleEndian(in.bytes(length), length);
        return;
    }
    case tds::Int1: p.integer = in.u8(); return;
    case tds::Bit: p.integer = in.u8(); return;
    case tds::Int2: p.integer = littleEndian(in.bytes(2), 2); return;
    case tds::Int4: p.integer = littleEndian(in.bytes(4), 4); return;
    case tds::Int8: p.integer = littleEndian(in.bytes(8), 8); return;
    case tds::NVarChar:
    case tds::NChar:
    case tds::BigVarChar:
    case tds::BigChar: {
        const bool wide = type == tds::NVarChar || type == tds::NChar;
        const uint16_t maxLength = in.u16();
        in.skip(5); // collation
        if (maxLength == 0xFFFF) {
            p.text = readPlp(in, wide);
            return;
        }
        const uint16_t length = in.u16();
        if (length != 0xFFFF) p.text = bytesToText(in.bytes(length), length, wide);
        return;
    }
    case tds::NText:
    case tds::Text: {
        in.u32(); // maximum length
        in.skip(5);
        const uint32_t length = in.u32();
        if (length != 0xFFFFFFFF) p.text = bytesToText(in.bytes(length), length, type == tds::NText);
        return;
    }
    case tds::BigVarBinary:
    case tds::BigBinary: {
        if (in.u16() == 0xFFFF) {
            p.binary = readPlpBytes(in);
            return;
        }
        const uint16_t length = in.u16();
        if (length != 0xFFFF) {
            const uint8_t* data = in.bytes(length);
            p.binary = std::vector<uint8_t>(data, data + length);
        }
        return;
    }
    case tds::FloatN: {
        in.u8();
        const uint8_t length = in.u8();
        if (length == 4) {
            const uint32_t bits = in.u32();
            float value;
            std::memcpy(&value, &bits, 4);
            p.real = value;
        } else if (length == 8) {
            const uint64_t bits = in.u64();
            double value;
            std::memcpy(&value, &bits, 8);
            p.real = value;
        } else if (length != 0) {
            throw ProtocolError("bad float length");
        }
        return;
    }
    case tds::DecimalN:
    case tds::NumericN: {
        in.u8(); // maximum length
        in.u8(); // precision
        const int scale = in.u8();
        const uint8_t length = in.u8();
        if (length == 0) return;
        if (length > 17 || scale > 38) throw ProtocolError("bad decimal");
        const bool positive = in.u8() == 1;
        p.text = decimalText(in.bytes(length - 1u), length - 1u, scale, !positive);
        return;
    }
    case tds::MoneyN: {
        in.u8();
        const uint8_t length = in.u8();
        int64_t units = 0;
        if (length == 8) {
            const int64_t high = int32_t(in.u32());
            units = int64_t(uint64_t(high) << 32 | in.u32());
        } else if (length == 4) {
            units = int32_t(in.u32());
        } else if (length != 0) {
            throw ProtocolError("bad money length");
        }
        if (length == 0) return;
        const uint64_t magnitude = units < 0 ? 0 - uint64_t(units) : uint64_t(units);
        uint8_t bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = uint8_t(magnitude >> (8 * i));
        p.text = decimalText(bytes, 8, 4, units < 0);
        return;
    }
    case tds::Guid: {
        in.u8();
        const uint8_t length = in.u8();
        if (length == 16)
            p.text = guidText(in.bytes(16));
        else if (length != 0)
            throw ProtocolError("bad GUID length");
        return;
    }
    case tds::DateTimeN: {
        in.u8();
        const uint8_t length = in.u8();
        DateTimeValue v;
        if (length == 8) {
            v.daysSince0001 = kDaysFrom0001To1900 + int32_t(in.u32());
            // 1/300 s ticks, rounded to 100 ns.
            v.ticksOfDay = (int64_t(in.u32()) * kTicksPerSecond + 150) / 300;
        } else if (length == 4) {
            v.daysSince0001 = kDaysFrom0001To1900 + in.u16();
            v.ticksOfDay = int64_t(in.u16()) * 60 * kTicksPerSecond;
        } else if (length != 0) {
            throw ProtocolError("bad datetime length");
        }
        if (length != 0) p.text = formatDateTime(v, true, true);
        return;
    }
    case tds::DateN: {
        const uint8_t length = in.u8();
        if (length == 3)
            p.text = formatDateTime({int32_t(unsignedLittleEndian(in.bytes(3), 3)), 0}, true, false);
        else if (length != 0)
            throw ProtocolError("bad date length");
        return;
    }
    case tds::TimeN:
    case tds::DateTime2N: {
        const int scale = in.u8();
        const uint8_t length = in.u8();
        if (length == 0) return;
        const size_t dateBytes = type == tds::DateTime2N ? 3 : 0;
        if (scale > 7 || length < dateBytes + 3 || length > dateBytes + 5) throw ProtocolError("bad time length");
        DateTimeValue v;
        v.ticksOfDay = ticksOfDay(in.bytes(length - dateBytes), length - dateBytes, scale);
        if (dateBytes) v.daysSince0001 = int32_t(unsignedLittleEndian(in.bytes(3), 3));
        p.text = formatDateTime(v, dateBytes != 0, true);
        return;
    }
    default:
        throw UnreadableType{type};
    }
}

std::string withoutBrackets(std::string name)
{
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    return name;
}

// "[Shop]..sp_tables" -> database "Shop", procedure "sp_tables".
void setProcedureName(RpcRequest& request, const std::string& name)
{
    const auto dot = name.rfind('.');
    request.procedure = toLower(withoutBrackets(dot == std::string::npos ? name : name.substr(dot + 1)));
    if (dot != std::string::npos) request.database = withoutBrackets(name.substr(0, name.find('.')));
}

} // namespace

const RpcParameter* RpcRequest::parameter(const std::string& name) const
{
    for (const RpcParameter& p : parameters)
        if (equalsIgnoreCase(p.name, name)) return &p;
    return nullptr;
}

RpcRequest parseRpc(const std::vector<uint8_t>& payload)
{
    ByteReader in(payload.data(), payload.size());
    skipAllHeaders(in);
    RpcRequest request;
    const uint16_t nameLength = in.u16();
    if (nameLength == 0xFFFF) {
        request.procedureId = in.u16();
    } else {
        setProcedureName(request, utf16leToUtf8(in.bytes(size_t(nameLength) * 2), size_t(nameLength) * 2));
    }
    in.u16(); // option flags
    while (!in.atEnd()) {
        RpcParameter p;
        const uint8_t nameChars = in.u8();
        p.name = utf16leToUtf8(in.bytes(size_t(nameChars) * 2), size_t(nameChars) * 2);
        p.output = (in.u8() & 0x01) != 0;
        try {
            readValue(in, p);
        } catch (const UnreadableType& unreadable) {
            request.unreadableType = unreadable.type;
            request.unreadableName = p.name;
            request.unreadablePosition = request.parameters.size() + 1;
            break;
        }
        request.parameters.push_back(std::move(p));
    }
    return request;
}

std::string parseSqlBatch(const std::vector<uint8_t>& payload)
{
    ByteReader in(payload.data(), payload.size());
    skipAllHeaders(in);
    return utf16leToUtf8(in.current(), in.remaining());
}

} // namespace velloxa::sandbox
