#pragma once

#include <QString>

namespace velloxa::odbc {

// What the FreeTDS driver needs beyond the documented connection string:
// - it applies no default port, so a Server value naming neither a port (",") nor an
//   instance ("\") gets ",1433", the default instance's port;
// - it ends a braced value only at "};" and keeps "}}" doubled, so every braced value is
//   re-written with single braces. A value holding "};" cannot be expressed for it at all
//   and is passed on in the standard form (the login then fails with the driver's message).
// Every other part of the string passes unchanged.
QString AdaptConnectionStringForFreeTds(const QString& connectionString);

} // namespace velloxa::odbc
