// SQLite's complaints about a statement, told the way SQL Server tells them.
#pragma once

#include "Tokens.h"
#include "TsqlTranslator.h"

#include <string_view>

namespace velloxa::sandbox {

ServerMessage serverMessageFor(int sqliteCode, std::string_view sqliteMessage, const Statement& statement);

} // namespace velloxa::sandbox
