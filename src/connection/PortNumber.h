#pragma once

#include "connection/LoginValues.h"

#include <QString>

namespace velloxa {

// A TCP port as typed: digits only (no sign, no blanks, nothing after them), 1 to 65535. The
// driver would read "1433abc" or "1433;Database=Other" as 1433 and a number above 65535
// modulo 65536, so anything else is refused before it reaches the driver.
bool IsPortNumber(const QString& text);

// Whether the port of these values may go into a connection string: one that is not used
// (Local Connection) or empty (the documented "host," that names no port) passes as it is.
bool PortIsUsable(const LoginValues& values);

inline const QString PortRule = QStringLiteral("The port must be a number from 1 to 65535.");

} // namespace velloxa
