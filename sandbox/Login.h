// The two login messages: PRELOGIN (its ENCRYPTION option read and answered) and LOGIN7 (parsed
// into what the server checks), and the packet size the login settles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velloxa::sandbox {

class PacketWriter;

// The values of the PRELOGIN ENCRYPTION option.
namespace prelogin_encryption {
constexpr uint8_t Off = 0x00;          // able to encrypt, but only the LOGIN7 will be
constexpr uint8_t On = 0x01;           // the whole connection
constexpr uint8_t NotSupported = 0x02; // no TLS at all
constexpr uint8_t Required = 0x03;     // server only: the whole connection, or none
} // namespace prelogin_encryption

// The ENCRYPTION value of a client's PRELOGIN; NotSupported when the option is missing.
// Throws ProtocolError when the option table runs outside the message.
uint8_t clientEncryption(const std::vector<uint8_t>& payload);

void writePreloginReply(PacketWriter& out, uint8_t encryption);

struct LoginRequest {
    uint32_t tdsVersion = 0; // as the LOGIN7 carries it: 0x74000004 for 7.4, 0x71000001 for 7.1
    uint32_t packetSize = 0;
    // OptionFlags2 fODBC: the client wants the ODBC session defaults, an unlimited TEXTSIZE among them.
    bool odbc = false;
    std::string hostName, userName, password, appName, serverName, language, database; // UTF-8
};

// The first TDS version whose framing the server speaks (4-byte UserType, 8-byte DONE counts,
// PLP streams).
inline constexpr uint32_t kOldestTdsVersion = 0x72000000;

// Throws ProtocolError when the message does not hold a LOGIN7 record.
LoginRequest parseLogin7(const std::vector<uint8_t>& payload);

// The packet size the server confirms for the size a LOGIN7 asks for: 0 takes the default
// 4096, others are held to 512..32767, and to 16383 when the connection is encrypted (a
// packet must fit one TLS record).
size_t negotiatedPacketSize(uint32_t requested, bool encrypted);

} // namespace velloxa::sandbox
