#include "SqliteErrors.h"

#include "ServerFunctions.h"
#include "Text.h"

#include <sqlite3.h>
#include <string>

namespace velloxa::sandbox {
namespace {

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

std::string unquoted(std::string_view name)
{
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        std::string plain;
        for (size_t i = 1; i + 1 < name.size(); ++i) {
            plain += name[i];
            if (name[i] == '"' && name[i + 1] == '"') ++i;
        }
        return plain;
    }
    return std::string(name);
}

ServerMessage messageFor(int sqliteCode, std::string_view m, const Statement& statement)
{
    // Raised by one of the server's functions, with the server's number.
    const auto numberEnd = m.find(kErrorNumberEnd);
    if (numberEnd != std::string_view::npos && numberEnd > 0 && m.substr(0, numberEnd).find_first_not_of("0123456789") == std::string_view::npos)
        return {std::stoi(std::string(m.substr(0, numberEnd))), 1, 16, std::string(m.substr(numberEnd + 1))};
    if (startsWith(m, "no such table: ")) {
        std::string name(m.substr(15));
        if (startsWith(name, "main.")) name = name.substr(5);
        const auto written = statement.objectNames.find(toLower(name));
        return {208, 1, 16, "Invalid object name '" + (written != statement.objectNames.end() ? written->second : name) + "'."};
    }
    if (startsWith(m, "no such column: ")) {
        std::string name(m.substr(16));
        const auto dot = name.rfind('.');
        if (dot != std::string::npos) return {4104, 1, 16, "The multi-part identifier \"" + name + "\" could not be bound."};
        return {207, 1, 16, "Invalid column name '" + name + "'."};
    }
    if (startsWith(m, "no such function: "))
        return {195, 10, 15, std::string(m.substr(18)).insert(0, 1, '\'') + "' is not a recognized built-in function name."};
    if (startsWith(m, "near \"")) {
        const auto end = m.rfind("\": syntax error");
        if (end != std::string_view::npos) return {102, 1, 15, "Incorrect syntax near '" + unquoted(m.substr(6, end - 6)) + "'."};
    }
    if (startsWith(m, "unrecognized token: \"")) return {102, 1, 15, "Incorrect syntax near '" + unquoted(m.substr(20)) + "'."};
    if (m == "incomplete input") return {102, 1, 15, "Incorrect syntax near '" + statement.lastToken + "'."};
    if (sqliteCode == SQLITE_READONLY) return {3906, 1, 16, "Failed to update database because the database is read-only."};
    return {50000, 1, 16, std::string(m)};
}

} // namespace

ServerMessage serverMessageFor(int sqliteCode, std::string_view sqliteMessage, const Statement& statement)
{
    ServerMessage message = messageFor(sqliteCode, sqliteMessage, statement);
    message.line = statement.line;
    return message;
}

} // namespace velloxa::sandbox
