#include "Login.h"

#include "PacketWriter.h"
#include "Text.h"
#include "Wire.h"

#include <algorithm>

namespace velloxa::sandbox {
namespace {

constexpr size_t kFixedLoginSize = 94;
constexpr uint8_t kEncryptionOption = 0x01, kLastOption = 0xFF;

// One offset/length pair of the LOGIN7 record: the text it points at, in UTF-8.
std::string field(const std::vector<uint8_t>& payload, size_t pairAt, bool obfuscated = false)
{
    ByteReader pair(payload.data() + pairAt, 4);
    const size_t offset = pair.u16();
    const size_t characters = pair.u16();
    if (characters == 0) return {};
    if (offset + characters * 2 > payload.size()) throw ProtocolError("LOGIN7 field outside the record");
    if (!obfuscated) return utf16leToUtf8(payload.data() + offset, characters * 2);
    std::vector<uint8_t> clear(payload.begin() + std::ptrdiff_t(offset), payload.begin() + std::ptrdiff_t(offset + characters * 2));
    for (uint8_t& b : clear) {
        b ^= 0xA5;
        b = uint8_t(b << 4 | b >> 4);
    }
    return utf16leToUtf8(clear.data(), clear.size());
}

} // namespace

uint8_t clientEncryption(const std::vector<uint8_t>& payload)
{
    // Option table: (token, offset BE, length BE) entries up to the terminator; offsets count
    // from the payload start.
    ByteReader table(payload.data(), payload.size());
    for (;;) {
        const uint8_t token = table.u8();
        if (token == kLastOption) return prelogin_encryption::NotSupported;
        const uint8_t* entry = table.bytes(4);
        const size_t offset = size_t(entry[0]) << 8 | entry[1];
        const size_t length = size_t(entry[2]) << 8 | entry[3];
        if (offset + length > payload.size()) throw ProtocolError("PRELOGIN option outside the message");
        if (token == kEncryptionOption && length >= 1) return payload[offset];
    }
}

void writePreloginReply(PacketWriter& out, uint8_t encryption)
{
    // Option table: VERSION, ENCRYPTION, INSTOPT, MARS, terminator; offsets from the payload start.
    constexpr uint8_t kTableSize = 4 * 5 + 1;
    const uint8_t table[kTableSize] = {
        0x00, 0, kTableSize, 0, 6,
        0x01, 0, kTableSize + 6, 0, 1,
        0x02, 0, kTableSize + 7, 0, 1,
        0x04, 0, kTableSize + 8, 0, 1,
        0xFF};
    const uint8_t data[9] = {16, 0, 0x0F, 0xA0, 0, 0, // server version 16.0.4000, sub-build 0
                             encryption,
                             0x00,  // instance matches
                             0x00}; // no MARS
    out.begin();
    out.put(table, sizeof table);
    out.put(data, sizeof data);
    out.end();
}

LoginRequest parseLogin7(const std::vector<uint8_t>& payload)
{
    if (payload.size() < kFixedLoginSize) throw ProtocolError("LOGIN7 too short");
    ByteReader fixed(payload.data(), payload.size());
    const uint32_t declaredLength = fixed.u32();
    if (declaredLength > payload.size() || declaredLength < kFixedLoginSize) throw ProtocolError("LOGIN7 length mismatch");
    LoginRequest login;
    login.tdsVersion = fixed.u32();
    login.packetSize = fixed.u32();
    constexpr size_t kOptionFlags2 = 25;
    constexpr uint8_t kOdbcFlag = 0x02;
    login.odbc = (payload[kOptionFlags2] & kOdbcFlag) != 0;
    login.hostName = field(payload, 36);
    login.userName = field(payload, 40);
    login.password = field(payload, 44, true);
    login.appName = field(payload, 48);
    login.serverName = field(payload, 52);
    login.language = field(payload, 64);
    login.database = field(payload, 68);
    return login;
}

size_t negotiatedPacketSize(uint32_t requested, bool encrypted)
{
    if (requested == 0) return 4096;
    return std::clamp<size_t>(requested, 512, encrypted ? 16383 : 32767);
}

} // namespace velloxa::sandbox
