#include "SystemObjects.h"

#include "Text.h"
#include "TsqlTranslator.h"

#include <optional>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace velloxa::sandbox {
namespace {

// "[a]]b].c" -> {"a]b", "c"}; "db..name" -> {"db", "", "name"}. Null for an unclosed
// delimiter or text after one ("[a]b").
std::optional<std::vector<std::string>> nameParts(std::string_view text)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '.') {
            parts.emplace_back();
            ++i;
        } else if ((c == '[' || c == '"') && parts.back().empty()) {
            const char close = c == '[' ? ']' : '"';
            bool closed = false;
            for (++i; i < text.size() && !closed; ++i) {
                if (text[i] != close)
                    parts.back() += text[i];
                else if (i + 1 < text.size() && text[i + 1] == close)
                    parts.back() += text[++i];
                else
                    closed = true;
            }
            if (!closed || (i < text.size() && text[i] != '.')) return std::nullopt;
        } else {
            parts.back() += c;
            ++i;
        }
    }
    return parts;
}

// sys.objects' type codes of the object kinds the sandbox has.
std::string_view typeCode(const CatalogueObject& object)
{
    if (object.type == "TABLE") return "U";
    if (object.type == "VIEW") return "V";
    return "S";
}

void objectId(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const auto* database = static_cast<const Database*>(sqlite3_user_data(context));
    const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const CatalogueObject* object = name ? resolveObjectName(*database, name) : nullptr;
    if (object && argc == 2) {
        const auto* type = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
        std::string code = type ? type : "";
        code.erase(code.find_last_not_of(' ') + 1); // sys.objects keeps the codes as char(2)
        if (!equalsIgnoreCase(code, typeCode(*object))) object = nullptr;
    }
    if (object)
        sqlite3_result_int(context, object->id);
    else
        sqlite3_result_null(context);
}

// One row per table and index, as SQL Server keeps them: index_id 0 for a heap or 1 for the
// clustered index, 2 and up for nonclustered ones, each with the table's row count. The
// count is taken only for the rows a query keeps: SQLite pushes the query's filter into
// every arm of the UNION ALL before it computes the arm's columns.
std::string partitionsView(const Database& database)
{
    std::string arms;
    for (const CatalogueObject& o : database.objects()) {
        if (o.type != "TABLE") continue;
        const std::string count = "(SELECT count(*) FROM " + quoteIdentifier(o.table) + ")";
        std::vector<int> indexIds{o.clustered ? 1 : 0};
        for (int k = 0; k < o.nonclusteredIndexes; ++k) indexIds.push_back(2 + k);
        for (int index : indexIds) {
            const std::string partition = std::to_string((int64_t(o.id) << 16) + index);
            if (!arms.empty()) arms += " UNION ALL ";
            arms += "SELECT " + partition + ", " + std::to_string(o.id) + ", " + std::to_string(index) + ", 1, " + partition + ", " + count + ", 0, 'NONE'";
        }
    }
    if (arms.empty()) arms = "SELECT NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL WHERE 0";
    return "CREATE TEMP VIEW \"sys.partitions\" (partition_id, object_id, index_id, partition_number, hobt_id, \"rows\","
           " data_compression, data_compression_desc) AS "
        + arms;
}

} // namespace

const CatalogueObject* resolveObjectName(const Database& database, std::string_view name)
{
    const auto parts = nameParts(name);
    if (!parts || parts->size() > 3 || parts->back().empty()) return nullptr;
    if (parts->size() == 3 && !(*parts)[0].empty() && !equalsIgnoreCase((*parts)[0], database.name())) return nullptr;
    const std::string schema = parts->size() == 1 || (*parts)[parts->size() - 2].empty() ? "dbo" : (*parts)[parts->size() - 2];
    for (const CatalogueObject& o : database.objects())
        if (equalsIgnoreCase(o.owner, schema) && equalsIgnoreCase(o.name, parts->back())) return &o;
    return nullptr;
}

void addSystemObjects(sqlite3* db, const Database& database)
{
    void* context = const_cast<Database*>(&database);
    for (int arguments : {1, 2})
        sqlite3_create_function(db, "OBJECT_ID", arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC, context, objectId, nullptr, nullptr);
    char* error = nullptr;
    if (sqlite3_exec(db, partitionsView(database).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "cannot create sys.partitions";
        sqlite3_free(error);
        throw std::runtime_error("database " + database.name() + ": " + message);
    }
}

} // namespace velloxa::sandbox
