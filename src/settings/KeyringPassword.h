#pragma once

#include <QString>

#include <optional>

#include "connection/LoginValues.h"

namespace velloxa {

// The keyring entry that holds a login's password: "user@server,port", the server in lower case
// (host and instance names ignore case), the port the connection reaches. Without a port (Local
// Connection) that is 1433, the driver's default, unless the server names an instance
// ("host\NAME"), whose port the server's browser service tells: then no port part. So the
// windows' remembered login (port 1433) and `velloxa-export --server host` share one entry.
QString PasswordEntryKey(const LoginValues& login);

// The password the system keyring holds for this login (server, port, user); nothing when no
// keyring answers (within its bound) or it holds no entry for the login.
std::optional<QString> KeyringPassword(const LoginValues& login);

} // namespace velloxa
