// The table catalogue behind sp_tables: filtering by name, owner, qualifier (SQL LIKE patterns
// with % and _) and a type list such as 'TABLE','VIEW', ordered as SQL Server orders it.
#pragma once

#include "DatabaseSet.h"

#include <optional>
#include <string>
#include <vector>

namespace velloxa::sandbox {

class PacketWriter;
class ValueEncoder;
struct RpcRequest;

struct TableFilter {
    std::optional<std::string> name, owner, qualifier;
    std::vector<std::string> types; // empty: every type
};

TableFilter tableFilterFrom(const RpcRequest& request);

// Case-insensitive LIKE with % and _.
bool matchesPattern(std::string_view text, std::string_view pattern);

std::vector<CatalogueObject> listTables(const Database& database, const TableFilter& filter);

// COLMETADATA and rows of the sp_tables result (no DONE).
void writeTablesResult(PacketWriter& out, ValueEncoder& encoder, const Database& database, const std::vector<CatalogueObject>& rows);

} // namespace velloxa::sandbox
