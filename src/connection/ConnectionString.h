#pragma once

#include "connection/LoginValues.h"

#include <QString>

namespace velloxa {

// "Driver={SQL Server};Server=<server>[,<port>];Database=<db>;Uid=<user>;Pwd=<password>;"
// The ",<port>" piece is present only when the local-connection flag is off, even when the
// port is empty. Values are inserted unchanged, except that a value holding ';' or beginning
// with '{' could never reach the driver that way: such a value alone is written in braces
// with every '}' doubled, as the ODBC connection-string grammar prescribes.
QString BuildConnectionString(const LoginValues& values);

} // namespace velloxa
