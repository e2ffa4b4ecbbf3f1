#pragma once

#include "errors/Failure.h"

#include <QString>

namespace velloxa::odbc {

// 16,383 bytes: the largest packet an encrypted connection allows; fewer round trips on big results.
inline constexpr int PacketSize = 16383;

// What the FreeTDS driver needs beyond the documented connection string:
// - it applies no default port, so a Server value naming neither a port (",") nor an
//   instance ("\") gets ",1433", the default instance's port;
// - it ends a braced value at the first "};" and keeps "}}" doubled, so every braced value is
//   re-written with single braces. A value holding "};" cannot be written for it at all: read
//   back, its rest would become keys of their own (another database, another login). Such a
//   value is refused with a Failure that names the field, and nothing reaches the driver;
// - it takes the packet size only as a key, so "PacketSize=" is added unless the string has it.
// Every other part of the string passes unchanged.
QString AdaptConnectionStringForFreeTds(const QString& connectionString);

// The refusal of a login value that the driver cannot read back as itself.
class UnreadableValue : public Failure {
public:
    using Failure::Failure;
};

} // namespace velloxa::odbc
