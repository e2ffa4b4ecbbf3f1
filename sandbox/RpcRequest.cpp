#include "RpcRequest.h"

#include "Text.h"
#include "Wire.h"

namespace velloxa::sandbox {
namespace {

namespace tds {
constexpr uint8_t IntN = 0x26, BitN = 0x68, Int1 = 0x30, Bit = 0x32, Int2 = 0x34, Int4 = 0x38, Int8 = 0x7F;
constexpr uint8_t NVarChar = 0xE7, NChar = 0xEF, BigVarChar = 0xA7, BigChar = 0xAF, NText = 0x63, Text = 0x23;
} // namespace tds

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
std::optional<std::string> readPlp(ByteReader& in, bool wide)
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
    return bytesToText(data.data(), data.size(), wide);
}

int64_t littleEndian(const uint8_t* p, size_t n)
{
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = v << 8 | p[i];
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
    default:
        throw ProtocolError("unsupported RPC parameter type");
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
        readValue(in, p);
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
