// The server's built-in functions that clients ask before they read anything: SCHEMA_NAME(),
// DB_NAME(), SERVERPROPERTY('...') and the text behind @@VERSION (which the translator turns
// into VERSION_TEXT()), and the checked integer CAST, registered on a session's SQLite connection.
#pragma once

#include <string>

struct sqlite3;

namespace velloxa::sandbox {

// The version this server reports in PRELOGIN, LOGINACK and SERVERPROPERTY('ProductVersion').
inline constexpr const char* kProductVersion = "16.0.4000.0";

// The SQLite function name that stands for @@VERSION in translated statements.
inline constexpr const char* kVersionFunction = "VERSION_TEXT";

// CAST(x AS int) becomes INTEGER_CAST(x, 'int') (and so for tinyint, smallint, bigint): it raises
// 245 for text that is no integer and 8115 for a value outside the type, as a server does.
inline constexpr const char* kIntegerCastFunction = "INTEGER_CAST";

// a / b becomes DIVIDE(a, b): 8134 for a zero divisor, otherwise SQLite's division.
inline constexpr const char* kDivideFunction = "DIVIDE";

// An error a function raises carries the server's number: "245|Conversion failed ...".
inline constexpr char kErrorNumberEnd = '|';

// `database`: what DB_NAME() answers on this connection.
void addServerFunctions(sqlite3* db, const std::string& database);

} // namespace velloxa::sandbox
