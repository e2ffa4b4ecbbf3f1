// What a server would have refused at INSERT: every value a database's tables hold is checked
// against its column's declared type when the sandbox loads it, so that no test runs against
// data no SQL Server could hold (300 in a tinyint, 'abc' in an int, 2024-02-30, 12 characters
// in a varchar(10)). The message names the table, column and row, with SQL Server's error.
#pragma once

#include "DatabaseSet.h"

#include <vector>

struct sqlite3;

namespace velloxa::sandbox {

// Throws std::runtime_error for the first value out of its type.
void checkStoredValues(sqlite3* db, const std::string& database, const std::vector<CatalogueObject>& objects);

} // namespace velloxa::sandbox
