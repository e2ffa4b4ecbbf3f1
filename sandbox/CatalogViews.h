// The catalog views a client reads to learn a database's tables and columns: sys.schemas,
// sys.tables, sys.columns, INFORMATION_SCHEMA.TABLES and INFORMATION_SCHEMA.COLUMNS, over the
// loaded user tables and views. They are temporary tables of a session's SQLite connection,
// filled when it opens (the database never changes), with the columns and types SQL Server
// gives them (a subset of the columns: the ones clients commonly read).
#pragma once

#include "DatabaseSet.h"

struct sqlite3;

namespace velloxa::sandbox {

// Throws std::runtime_error.
void addCatalogViews(sqlite3* db, const Database& database);

} // namespace velloxa::sandbox
