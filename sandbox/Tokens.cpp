#include "Tokens.h"

#include "PacketWriter.h"
#include "Text.h"

namespace velloxa::sandbox {
namespace {

constexpr uint8_t kEnvChange = 0xE3, kLoginAck = 0xAD, kError = 0xAA, kInfo = 0xAB, kReturnStatus = 0x79, kColMetadata = 0x81;
const std::u16string kServerName = u"VELLOXA-SANDBOX";
const std::u16string kProgramName = u"Microsoft SQL Server";

// `lineBytes`: 4 from TDS 7.2 on, 2 before.
void writeMessage(PacketWriter& out, uint8_t token, const ServerMessage& m, size_t lineBytes = 4)
{
    const std::u16string text = toUtf16(m.text).substr(0, 4000);
    const size_t length = 4 + 1 + 1 + 2 + text.size() * 2 + 1 + kServerName.size() * 2 + 1 + lineBytes;
    out.u8(token);
    out.u16(uint16_t(length));
    out.u32(uint32_t(m.number));
    out.u8(m.state);
    out.u8(m.severity);
    out.usVarchar(text);
    out.bVarchar(kServerName);
    out.bVarchar(u"");
    if (lineBytes == 4)
        out.u32(uint32_t(m.line));
    else
        out.u16(uint16_t(m.line));
}

} // namespace

void writeEnvChange(PacketWriter& out, uint8_t type, const std::u16string& newValue, const std::u16string& oldValue)
{
    out.u8(kEnvChange);
    out.u16(uint16_t(1 + 1 + newValue.size() * 2 + 1 + oldValue.size() * 2));
    out.u8(type);
    out.bVarchar(newValue);
    out.bVarchar(oldValue);
}

void writeCollationChange(PacketWriter& out)
{
    out.u8(kEnvChange);
    out.u16(1 + 1 + 5 + 1);
    out.u8(envchange::Collation);
    out.u8(5);
    out.put(kCollation, 5);
    out.u8(0);
}

void writeLoginAck(PacketWriter& out, uint32_t tdsVersion)
{
    out.u8(kLoginAck);
    out.u16(uint16_t(1 + 4 + 1 + kProgramName.size() * 2 + 4));
    out.u8(1); // SQL interface
    // The version travels big-endian here, unlike everywhere else.
    out.u8(uint8_t(tdsVersion >> 24));
    out.u8(uint8_t(tdsVersion >> 16));
    out.u8(uint8_t(tdsVersion >> 8));
    out.u8(uint8_t(tdsVersion));
    out.bVarchar(kProgramName);
    const uint8_t serverVersion[4] = {16, 0, 0x0F, 0xA0}; // 16.0.4000
    out.put(serverVersion, 4);
}

void writeDone(PacketWriter& out, uint8_t token, uint16_t status, uint16_t command, uint64_t rowCount)
{
    out.u8(token);
    out.u16(status);
    out.u16(command);
    out.u64(rowCount);
}

void writeError(PacketWriter& out, const ServerMessage& message)
{
    writeMessage(out, kError, message);
}

void writeOldLoginRefusal(PacketWriter& out, const ServerMessage& message)
{
    writeMessage(out, kError, message, 2);
    out.u8(done_token::Done);
    out.u16(done_status::Error);
    out.u16(0);
    out.u32(0); // row count: 4 bytes before TDS 7.2
}

void writeInfo(PacketWriter& out, const ServerMessage& message)
{
    writeMessage(out, kInfo, message);
}

void writeReturnStatus(PacketWriter& out, int32_t status)
{
    out.u8(kReturnStatus);
    out.u32(uint32_t(status));
}

void writeColumnMetadata(PacketWriter& out, const std::vector<ResultColumn>& columns)
{
    out.u8(kColMetadata);
    out.u16(uint16_t(columns.size()));
    for (const ResultColumn& column : columns) {
        out.u32(0);                                   // user type
        out.u16(column.nullable ? 0x0009 : 0x0008);   // nullable bit; updatability "unknown"
        writeTypeInfo(out, column.type);
        out.bVarchar(column.name);
    }
}

} // namespace velloxa::sandbox
