#include "Catalogue.h"

#include "PacketWriter.h"
#include "RpcRequest.h"
#include "Text.h"
#include "Tokens.h"
#include "ValueEncoder.h"

#include <algorithm>
#include <tuple>

namespace velloxa::sandbox {
namespace {

std::optional<std::string> textParameter(const RpcRequest& request, const char* name)
{
    const RpcParameter* p = request.parameter(name);
    if (!p || !p->text) return std::nullopt;
    return p->text;
}

// "'TABLE','VIEW'" or "TABLE, VIEW" -> {"TABLE", "VIEW"}.
std::vector<std::string> typeList(const std::string& text)
{
    std::vector<std::string> types;
    std::string current;
    auto finish = [&] {
        const auto first = current.find_first_not_of(" '\"");
        if (first != std::string::npos) types.push_back(current.substr(first, current.find_last_not_of(" '\"") - first + 1));
        current.clear();
    };
    for (char c : text) {
        if (c == ',')
            finish();
        else
            current += c;
    }
    finish();
    return types;
}

} // namespace

TableFilter tableFilterFrom(const RpcRequest& request)
{
    TableFilter filter;
    filter.name = textParameter(request, "@table_name");
    filter.owner = textParameter(request, "@table_owner");
    filter.qualifier = textParameter(request, "@table_qualifier");
    if (const auto types = textParameter(request, "@table_type")) filter.types = typeList(*types);
    return filter;
}

bool matchesPattern(std::string_view text, std::string_view pattern)
{
    const std::string t = toLower(text), p = toLower(pattern);
    size_t ti = 0, pi = 0, starP = std::string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == '_' || p[pi] == t[ti])) {
            ++ti;
            ++pi;
        } else if (pi < p.size() && p[pi] == '%') {
            starP = pi++;
            starT = ti;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '%') ++pi;
    return pi == p.size();
}

std::vector<CatalogueObject> listTables(const Database& database, const TableFilter& filter)
{
    std::vector<CatalogueObject> rows;
    if (filter.qualifier && !matchesPattern(database.name(), *filter.qualifier)) return rows;
    for (const CatalogueObject& o : database.objects()) {
        if (filter.name && !matchesPattern(o.name, *filter.name)) continue;
        if (filter.owner && !matchesPattern(o.owner, *filter.owner)) continue;
        if (!filter.types.empty() &&
            std::none_of(filter.types.begin(), filter.types.end(), [&](const std::string& t) { return equalsIgnoreCase(t, o.type); }))
            continue;
        rows.push_back(o);
    }
    std::sort(rows.begin(), rows.end(), [](const CatalogueObject& a, const CatalogueObject& b) {
        return std::make_tuple(a.type, toLower(a.owner), toLower(a.name)) < std::make_tuple(b.type, toLower(b.owner), toLower(b.name));
    });
    return rows;
}

void writeTablesResult(PacketWriter& out, ValueEncoder& encoder, const Database& database, const std::vector<CatalogueObject>& rows)
{
    const ColumnType sysname{SqlType::NVarChar, 128, 0, 0};
    const ColumnType tableType{SqlType::VarChar, 32, 0, 0};
    const ColumnType remarks{SqlType::VarChar, 254, 0, 0};
    writeColumnMetadata(out, {{u"TABLE_QUALIFIER", sysname, true},
                              {u"TABLE_OWNER", sysname, true},
                              {u"TABLE_NAME", sysname, true},
                              {u"TABLE_TYPE", tableType, true},
                              {u"REMARKS", remarks, true}});
    for (const CatalogueObject& o : rows) {
        out.u8(0xD2);   // NBCROW
        out.u8(0x10);   // REMARKS is NULL
        encoder.writeText(out, sysname, database.name());
        encoder.writeText(out, sysname, o.owner);
        encoder.writeText(out, sysname, o.name);
        encoder.writeText(out, tableType, o.type);
    }
}

} // namespace velloxa::sandbox
