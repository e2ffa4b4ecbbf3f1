#include "CatalogViews.h"

#include "ColumnType.h"
#include "Text.h"

#include <algorithm>
#include <map>
#include <optional>
#include <sqlite3.h>
#include <stdexcept>
#include <variant>

namespace velloxa::sandbox {
namespace {

using Value = std::variant<std::monostate, int64_t, std::string>;
using Row = std::vector<Value>;

constexpr const char* kCollationName = "Latin1_General_CI_AS";

// What sys.columns and INFORMATION_SCHEMA.COLUMNS say about a type.
struct TypeFacts {
    std::string name;
    int systemTypeId = 0;
    int maxLength = 0; // bytes; -1 for (max) and xml
    int precision = 0, scale = 0;
    Value characterLength, octetLength; // character and binary types
    Value numericPrecision, numericRadix, numericScale, datetimePrecision;
    Value characterSet, collation;
};

TypeFacts base(const char* name, int systemTypeId, int maxLength, int precision, int scale)
{
    TypeFacts f;
    f.name = name;
    f.systemTypeId = systemTypeId;
    f.maxLength = maxLength;
    f.precision = precision;
    f.scale = scale;
    return f;
}

int fractionPrecision(int scale)
{
    return scale > 0 ? scale + 1 : 0;
}

TypeFacts factsOf(const ColumnType& c)
{
    TypeFacts f;
    const auto number = [&](const char* name, int id, int bytes, int precision, int scale, int radix = 10) {
        f = base(name, id, bytes, precision, scale);
        f.numericPrecision = int64_t(precision);
        f.numericRadix = int64_t(radix);
        if (radix == 10) f.numericScale = int64_t(scale);
    };
    // Binary types have neither (nullptr).
    const auto setCharacterSet = [&](const char* characterSet) {
        if (!characterSet) return;
        f.characterSet = std::string(characterSet);
        f.collation = std::string(kCollationName);
    };
    const auto characters = [&](const char* name, int id, int bytesPerCharacter, const char* characterSet) {
        const int bytes = c.isMax() ? -1 : c.length * bytesPerCharacter;
        f = base(name, id, bytes, 0, 0);
        f.characterLength = int64_t(c.isMax() ? -1 : c.length);
        f.octetLength = int64_t(bytes);
        setCharacterSet(characterSet);
    };
    const auto dateTime = [&](const char* name, int id, int bytes, int precision, int scale) {
        f = base(name, id, bytes, precision, scale);
        f.datetimePrecision = int64_t(scale);
    };
    const auto large = [&](const char* name, int id, int64_t characters, int64_t octets, const char* characterSet) {
        f = base(name, id, 16, 0, 0);
        f.characterLength = characters;
        f.octetLength = octets;
        setCharacterSet(characterSet);
    };
    switch (c.type) {
    case SqlType::TinyInt: number("tinyint", 48, 1, 3, 0); break;
    case SqlType::SmallInt: number("smallint", 52, 2, 5, 0); break;
    case SqlType::Int: number("int", 56, 4, 10, 0); break;
    case SqlType::BigInt: number("bigint", 127, 8, 19, 0); break;
    case SqlType::Bit: f = base("bit", 104, 1, 1, 0); break;
    case SqlType::Decimal: number("decimal", 106, decimalByteLength(c.precision), c.precision, c.scale); break;
    case SqlType::Numeric: number("numeric", 108, decimalByteLength(c.precision), c.precision, c.scale); break;
    case SqlType::Money: number("money", 60, 8, 19, 4); break;
    case SqlType::SmallMoney: number("smallmoney", 122, 4, 10, 4); break;
    case SqlType::Float: number("float", 62, 8, 53, 0, 2); break;
    case SqlType::Real: number("real", 59, 4, 24, 0, 2); break;
    case SqlType::Char: characters("char", 175, 1, "iso_1"); break;
    case SqlType::VarChar: characters("varchar", 167, 1, "iso_1"); break;
    case SqlType::NChar: characters("nchar", 239, 2, "UNICODE"); break;
    case SqlType::NVarChar: characters("nvarchar", 231, 2, "UNICODE"); break;
    case SqlType::Binary: characters("binary", 173, 1, nullptr); break;
    case SqlType::VarBinary: characters("varbinary", 165, 1, nullptr); break;
    case SqlType::Date: dateTime("date", 40, 3, 10, 0); break;
    case SqlType::Time: dateTime("time", 41, timeByteLength(c.scale), 8 + fractionPrecision(c.scale), c.scale); break;
    case SqlType::DateTime: dateTime("datetime", 61, 8, 23, 3); break;
    case SqlType::DateTime2: dateTime("datetime2", 42, timeByteLength(c.scale) + 3, 19 + fractionPrecision(c.scale), c.scale); break;
    case SqlType::SmallDateTime: dateTime("smalldatetime", 58, 4, 16, 0); break;
    case SqlType::UniqueIdentifier: f = base("uniqueidentifier", 36, 16, 0, 0); break;
    case SqlType::Text: large("text", 35, 2147483647, 2147483647, "iso_1"); break;
    case SqlType::NText: large("ntext", 99, 1073741823, 2147483646, "UNICODE"); break;
    case SqlType::Image: large("image", 34, 2147483647, 2147483647, nullptr); break;
    case SqlType::Xml:
        f = base("xml", 241, -1, 0, 0);
        f.characterLength = int64_t(-1);
        f.octetLength = int64_t(-1);
        break;
    }
    return f;
}

// dbo, guest, INFORMATION_SCHEMA and sys have SQL Server's fixed ids; the script's own
// schemas follow in the order they first appear.
std::map<std::string, int> schemaIds(const Database& database)
{
    std::map<std::string, int> ids{{"dbo", 1}, {"guest", 2}, {"INFORMATION_SCHEMA", 3}, {"sys", 4}};
    int next = 5;
    for (const CatalogueObject& o : database.objects()) {
        bool known = false;
        for (const auto& [name, id] : ids) known = known || equalsIgnoreCase(name, o.owner);
        if (!known) ids[o.owner] = next++;
    }
    return ids;
}

int schemaIdOf(const std::map<std::string, int>& ids, const std::string& owner)
{
    for (const auto& [name, id] : ids)
        if (equalsIgnoreCase(name, owner)) return id;
    return 1;
}

class TableFiller {
public:
    explicit TableFiller(sqlite3* db) : db_(db) {}

    void create(const std::string& name, const std::string& columns, const std::vector<Row>& rows)
    {
        exec("CREATE TEMP TABLE \"" + name + "\" (" + columns + ")");
        if (rows.empty()) return;
        std::string insert = "INSERT INTO temp.\"" + name + "\" VALUES (";
        for (size_t i = 0; i < rows.front().size(); ++i) insert += i ? ", ?" : "?";
        insert += ")";
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, insert.c_str(), -1, &statement, nullptr) != SQLITE_OK) fail();
        for (const Row& row : rows) {
            for (size_t i = 0; i < row.size(); ++i) bind(statement, int(i) + 1, row[i]);
            const int rc = sqlite3_step(statement);
            sqlite3_reset(statement);
            if (rc != SQLITE_DONE) {
                sqlite3_finalize(statement);
                fail();
            }
        }
        sqlite3_finalize(statement);
    }

private:
    static void bind(sqlite3_stmt* statement, int index, const Value& value)
    {
        if (const auto* number = std::get_if<int64_t>(&value))
            sqlite3_bind_int64(statement, index, *number);
        else if (const auto* text = std::get_if<std::string>(&value))
            sqlite3_bind_text(statement, index, text->c_str(), int(text->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(statement, index);
    }

    void exec(const std::string& sql)
    {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail();
    }

    [[noreturn]] void fail() { throw std::runtime_error(std::string("catalog views: ") + sqlite3_errmsg(db_)); }

    sqlite3* db_;
};

} // namespace

void addCatalogViews(sqlite3* db, const Database& database)
{
    const auto schemas = schemaIds(database);
    std::vector<Row> schemaRows, tableRows, columnRows, infoTableRows, infoColumnRows;
    for (const auto& [name, id] : schemas) schemaRows.push_back({name, int64_t(id), int64_t(1)});
    std::sort(schemaRows.begin(), schemaRows.end(), [](const Row& a, const Row& b) { return std::get<int64_t>(a[1]) < std::get<int64_t>(b[1]); });
    for (const CatalogueObject& o : database.objects()) {
        if (o.isSystemObject()) continue;
        const bool table = o.type == "TABLE";
        if (table) tableRows.push_back({o.name, int64_t(o.id), {}, int64_t(schemaIdOf(schemas, o.owner)), int64_t(0), std::string("U"), std::string("USER_TABLE"), int64_t(0)});
        infoTableRows.push_back({database.name(), o.owner, o.name, std::string(table ? "BASE TABLE" : "VIEW")});
        int position = 0;
        for (const CatalogueColumn& column : o.columns) {
            ++position;
            const ColumnType type = parseDeclaredType(column.declaredType).value_or(typeForStorageClass(SQLITE_TEXT));
            const TypeFacts f = factsOf(type);
            columnRows.push_back({int64_t(o.id), column.name, int64_t(position), int64_t(f.systemTypeId), int64_t(f.systemTypeId), int64_t(f.maxLength),
                                  int64_t(f.precision), int64_t(f.scale), f.collation, int64_t(column.nullable), int64_t(0)});
            infoColumnRows.push_back({database.name(), o.owner, o.name, column.name, int64_t(position), {}, std::string(column.nullable ? "YES" : "NO"), f.name, f.characterLength, f.octetLength, f.numericPrecision, f.numericRadix, f.numericScale, f.datetimePrecision, f.characterSet, f.collation});
        }
    }
    TableFiller filler(db);
    filler.create("sys.schemas", "name nvarchar(128) NOT NULL, schema_id int NOT NULL, principal_id int", schemaRows);
    filler.create("sys.tables",
                  "name nvarchar(128) NOT NULL, object_id int NOT NULL, principal_id int, schema_id int NOT NULL,"
                  " parent_object_id int NOT NULL, type char(2), type_desc nvarchar(60), is_ms_shipped bit NOT NULL",
                  tableRows);
    filler.create("sys.columns",
                  "object_id int NOT NULL, name nvarchar(128), column_id int NOT NULL, system_type_id tinyint NOT NULL,"
                  " user_type_id int NOT NULL, max_length smallint NOT NULL, precision tinyint NOT NULL, scale tinyint NOT NULL,"
                  " collation_name nvarchar(128), is_nullable bit, is_identity bit NOT NULL",
                  columnRows);
    filler.create("INFORMATION_SCHEMA.TABLES",
                  "TABLE_CATALOG nvarchar(128), TABLE_SCHEMA nvarchar(128), TABLE_NAME nvarchar(128) NOT NULL, TABLE_TYPE varchar(10)",
                  infoTableRows);
    filler.create("INFORMATION_SCHEMA.COLUMNS",
                  "TABLE_CATALOG nvarchar(128), TABLE_SCHEMA nvarchar(128), TABLE_NAME nvarchar(128) NOT NULL,"
                  " COLUMN_NAME nvarchar(128), ORDINAL_POSITION int, COLUMN_DEFAULT nvarchar(4000), IS_NULLABLE varchar(3),"
                  " DATA_TYPE nvarchar(128), CHARACTER_MAXIMUM_LENGTH int, CHARACTER_OCTET_LENGTH int, NUMERIC_PRECISION tinyint,"
                  " NUMERIC_PRECISION_RADIX smallint, NUMERIC_SCALE int, DATETIME_PRECISION smallint, CHARACTER_SET_NAME nvarchar(128),"
                  " COLLATION_NAME nvarchar(128)",
                  infoColumnRows);
}

} // namespace velloxa::sandbox
