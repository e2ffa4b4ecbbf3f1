// The two login messages: PRELOGIN (answered "encryption not supported", so the login travels
// in clear) and LOGIN7 (parsed into what the server checks).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velloxa::sandbox {

class PacketWriter;

void writePreloginReply(PacketWriter& out);

struct LoginRequest {
    uint32_t tdsVersion = 0;
    uint32_t packetSize = 0;
    std::string hostName, userName, password, appName, serverName, language, database; // UTF-8
};

// Throws ProtocolError when the message does not hold a LOGIN7 record.
LoginRequest parseLogin7(const std::vector<uint8_t>& payload);

} // namespace velloxa::sandbox
