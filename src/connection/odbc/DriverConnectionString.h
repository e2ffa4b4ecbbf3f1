#pragma once

#include "errors/Failure.h"

#include <QString>

namespace velloxa::odbc {

// 16,383 bytes: the largest packet an encrypted connection allows; fewer round trips on big results.
inline constexpr int PacketSize = 16383;

inline constexpr char TdsVersion[] = "7.4";

// What the FreeTDS driver needs beyond the documented connection string:
// - it applies no default port, so a Server value naming neither a port (",") nor an
//   instance ("\") gets ",1433", the default instance's port;
// - it ends a braced value at the first "};" and keeps "}}" doubled, so every braced value is
//   re-written with single braces. A value holding "};" cannot be written for it at all: read
//   back, its rest would become keys of their own (another database, another login). Such a
//   value is refused with a Failure that names the field, and nothing reaches the driver;
// - it takes the packet size only as a key, so "PacketSize=" is added unless the string has it;
// - left to find the protocol version itself, it answers a PRELOGIN that times out (a port
//   that accepts and stays silent) with a second, TDS 5.0 login that waits for ever; so
//   "TDS_Version=7.4" (SQL Server 2012 on; older servers answer with their own version) is
//   added unless the string names a version.
// Every other part of the string passes unchanged.
QString AdaptConnectionStringForFreeTds(const QString& connectionString);

// The refusal of a login value that the driver cannot read back as itself.
class UnreadableValue : public Failure {
public:
    using Failure::Failure;
};

} // namespace velloxa::odbc
