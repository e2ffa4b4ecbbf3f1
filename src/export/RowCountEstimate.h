#pragma once

#include "connection/odbc/Connection.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace velloxa {

// How many rows the server says the table holds, from the count it keeps in sys.partitions
// (the heap or clustered index of each partition), so the table itself is not read: one
// statement, one round trip, on an open `connection` with no result pending. Run it before
// the export statement, on the same connection. An empty `schema` means the login's default
// schema, as in the export statement.
//
// Empty when no count can be had: a view (an ordinary view has no partitions), a table that
// does not exist or that the login may not see, or any failure of the statement (a
// permission refused, a lost connection). It never throws: the estimate is optional, and
// the export goes on without it.
//
// The count is the server's bookkeeping, not a COUNT(*): it can lag behind recent changes and
// miss rows that other sessions add while the export runs. A caller showing progress must
// clamp it: more rows may arrive than estimated, and fewer.
std::optional<qint64> EstimatedRowCount(odbc::Connection& connection, const QString& schema, const QString& table);

} // namespace velloxa
