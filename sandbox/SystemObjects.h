// SQL Server's object ids and its sys.partitions catalog view, as a session's SQLite
// connection offers them: OBJECT_ID(name [, type]) resolves a name as SQL Server does, and
// [sys].[partitions] (which the translator turns into the SQLite name "sys.partitions") holds
// one row per table and index with the table's row count; views have no partitions.
#pragma once

#include "DatabaseSet.h"

#include <string_view>

struct sqlite3;

namespace velloxa::sandbox {

// The object a name such as "[dbo].[Orders]", "Shop..Orders" or "orders" stands for in
// `database`: one to three parts, [bracketed] or "quoted" with the closing character doubled,
// an omitted schema meaning dbo, names compared without regard to case. Null for anything
// else, another database included.
const CatalogueObject* resolveObjectName(const Database& database, std::string_view name);

// Registers OBJECT_ID() and creates the temporary view "sys.partitions"; throws std::runtime_error.
void addSystemObjects(sqlite3* db, const Database& database);

} // namespace velloxa::sandbox
