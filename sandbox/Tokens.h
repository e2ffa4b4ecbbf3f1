// Writers for the TDS reply tokens the sandbox sends.
#pragma once

#include "ColumnType.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velloxa::sandbox {

class PacketWriter;

namespace done_status {
constexpr uint16_t Final = 0x00;
constexpr uint16_t More = 0x01;
constexpr uint16_t Error = 0x02;
constexpr uint16_t Count = 0x10;
constexpr uint16_t Attention = 0x20;
} // namespace done_status

namespace done_token {
constexpr uint8_t Done = 0xFD;
constexpr uint8_t DoneProc = 0xFE;
constexpr uint8_t DoneInProc = 0xFF;
} // namespace done_token

inline constexpr uint16_t kSelectCommand = 0xC1;

struct ResultColumn {
    std::u16string name;
    ColumnType type;
    bool nullable = true;
};

struct ServerMessage {
    int32_t number = 0;
    uint8_t state = 1;
    uint8_t severity = 16; // the "class": 11 and up are errors
    std::string text;      // UTF-8
    int32_t line = 1;      // line of the batch the message is about
};

namespace envchange {
constexpr uint8_t Database = 1, Language = 2, PacketSize = 4, Collation = 7;
} // namespace envchange

void writeEnvChange(PacketWriter& out, uint8_t type, const std::u16string& newValue, const std::u16string& oldValue);
void writeCollationChange(PacketWriter& out);
void writeLoginAck(PacketWriter& out, uint32_t tdsVersion);
void writeDone(PacketWriter& out, uint8_t token, uint16_t status, uint16_t command, uint64_t rowCount);
void writeError(PacketWriter& out, const ServerMessage& message);
void writeInfo(PacketWriter& out, const ServerMessage& message);
// ERROR and DONE as a client older than TDS 7.2 reads them (2-byte line, 4-byte row count).
void writeOldLoginRefusal(PacketWriter& out, const ServerMessage& message);
void writeReturnStatus(PacketWriter& out, int32_t status);
void writeColumnMetadata(PacketWriter& out, const std::vector<ResultColumn>& columns);

} // namespace velloxa::sandbox
