#pragma once

#include <QString>

namespace velloxa {

// Whether "schema.table" matches a pattern such as "sales.*", "dbo.Orders" or "*": '*' stands
// for any run of characters, '?' for one, everything else for itself, in any case (as the
// server's usual collation compares names). Brackets are plain characters: table names hold
// them.
bool MatchesTablePattern(const QString& pattern, const QString& qualifiedName);

} // namespace velloxa
