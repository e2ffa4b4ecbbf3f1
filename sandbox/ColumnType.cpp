#include "ColumnType.h"

#include "PacketWriter.h"
#include "Text.h"

#include <charconv>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace velloxa::sandbox {
namespace {

namespace tds {
constexpr uint8_t IntN = 0x26, BitN = 0x68, DecimalN = 0x6A, NumericN = 0x6C, MoneyN = 0x6E, FloatN = 0x6D;
constexpr uint8_t BigChar = 0xAF, BigVarChar = 0xA7, NChar = 0xEF, NVarChar = 0xE7;
constexpr uint8_t DateN = 0x28, TimeN = 0x29, DateTime2N = 0x2A, DateTimeN = 0x6F, Guid = 0x24;
constexpr uint8_t BigBinary = 0xAD, BigVarBinary = 0xA5;
constexpr uint8_t Text = 0x23, NText = 0x63, Image = 0x22, Xml = 0xF1;
} // namespace tds

// "nvarchar ( 50 )" -> name "nvarchar", arguments {"50"}.
struct Declared {
    std::string name;
    std::vector<std::string> arguments;
};

Declared split(std::string_view text)
{
    std::string t = toLower(text);
    // A quoted declared type ('varchar(max)') arrives with its quotes.
    if (t.size() >= 2 && (t.front() == '\'' || t.front() == '"') && t.back() == t.front()) t = t.substr(1, t.size() - 2);
    Declared d;
    const auto open = t.find('(');
    std::string name = t.substr(0, open);
    for (char c : name)
        if (c != ' ' && c != '\t') d.name += c;
    if (open != std::string::npos) {
        std::string current;
        for (size_t i = open + 1; i < t.size() && t[i] != ')'; ++i) {
            if (t[i] == ',') {
                d.arguments.push_back(current);
                current.clear();
            } else if (t[i] != ' ') {
                current += t[i];
            }
        }
        d.arguments.push_back(current);
    }
    return d;
}

std::optional<int> argument(const Declared& d, size_t index)
{
    if (index >= d.arguments.size()) return std::nullopt;
    const std::string& a = d.arguments[index];
    if (a == "max" || a == "-1") return ColumnType::kMax;
    int value = 0;
    const auto [end, error] = std::from_chars(a.data(), a.data() + a.size(), value);
    if (error != std::errc() || end != a.data() + a.size() || value < 0) return std::nullopt;
    return value;
}

ColumnType sized(SqlType type, const Declared& d, int fallback, int limit)
{
    int length = argument(d, 0).value_or(fallback);
    if (length == 0) length = fallback;
    if (length != ColumnType::kMax && length > limit) length = limit;
    return {type, length, 0, 0};
}

ColumnType fractional(SqlType type, const Declared& d)
{
    int scale = argument(d, 0).value_or(7);
    if (scale < 0 || scale > 7) scale = 7;
    return {type, 0, 0, scale};
}

ColumnType decimal(SqlType type, const Declared& d)
{
    int precision = argument(d, 0).value_or(18);
    int scale = argument(d, 1).value_or(0);
    if (precision < 1 || precision > 38) precision = 18;
    if (scale < 0 || scale > precision) scale = 0;
    return {type, 0, precision, scale};
}

} // namespace

uint8_t decimalByteLength(int precision)
{
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

uint8_t timeByteLength(int scale)
{
    return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
}

std::optional<ColumnType> parseDeclaredType(std::string_view declared)
{
    const Declared d = split(declared);
    const std::string& n = d.name;
    if (n == "tinyint") return ColumnType{SqlType::TinyInt, 0, 0, 0};
    if (n == "smallint") return ColumnType{SqlType::SmallInt, 0, 0, 0};
    if (n == "int" || n == "integer") return ColumnType{SqlType::Int, 0, 0, 0};
    if (n == "bigint") return ColumnType{SqlType::BigInt, 0, 0, 0};
    if (n == "bit" || n == "boolean") return ColumnType{SqlType::Bit, 0, 0, 0};
    if (n == "decimal" || n == "dec") return decimal(SqlType::Decimal, d);
    if (n == "numeric") return decimal(SqlType::Numeric, d);
    if (n == "money") return ColumnType{SqlType::Money, 0, 19, 4};
    if (n == "smallmoney") return ColumnType{SqlType::SmallMoney, 0, 10, 4};
    if (n == "float" || n == "double" || n == "doubleprecision") return ColumnType{SqlType::Float, 0, 0, 0};
    if (n == "real") return ColumnType{SqlType::Real, 0, 0, 0};
    if (n == "char" || n == "character") return sized(SqlType::Char, d, 1, 8000);
    if (n == "varchar") return sized(SqlType::VarChar, d, 1, 8000);
    if (n == "nchar") return sized(SqlType::NChar, d, 1, 4000);
    if (n == "nvarchar" || n == "sysname") return n == "sysname" ? ColumnType{SqlType::NVarChar, 128, 0, 0} : sized(SqlType::NVarChar, d, 1, 4000);
    if (n == "text") return ColumnType{SqlType::Text, 0, 0, 0};
    if (n == "ntext") return ColumnType{SqlType::NText, 0, 0, 0};
    if (n == "xml") return ColumnType{SqlType::Xml, 0, 0, 0};
    if (n == "date") return ColumnType{SqlType::Date, 0, 0, 0};
    if (n == "time") return fractional(SqlType::Time, d);
    if (n == "datetime2") return fractional(SqlType::DateTime2, d);
    if (n == "datetime") return ColumnType{SqlType::DateTime, 0, 0, 3};
    if (n == "smalldatetime") return ColumnType{SqlType::SmallDateTime, 0, 0, 0};
    if (n == "uniqueidentifier") return ColumnType{SqlType::UniqueIdentifier, 0, 0, 0};
    if (n == "binary") return sized(SqlType::Binary, d, 1, 8000);
    if (n == "varbinary") return sized(SqlType::VarBinary, d, 1, 8000);
    if (n == "image") return ColumnType{SqlType::Image, 0, 0, 0};
    if (n == "blob") return ColumnType{SqlType::VarBinary, ColumnType::kMax, 0, 0};
    return std::nullopt;
}

ColumnType typeForStorageClass(int sqliteType)
{
    switch (sqliteType) {
    case SQLITE_INTEGER: return {SqlType::BigInt, 0, 0, 0};
    case SQLITE_FLOAT: return {SqlType::Float, 0, 0, 0};
    case SQLITE_BLOB: return {SqlType::VarBinary, ColumnType::kMax, 0, 0};
    default: return {SqlType::NVarChar, 4000, 0, 0};
    }
}

void writeTypeInfo(PacketWriter& out, const ColumnType& c)
{
    auto maxLength = [&](int unitBytes) { out.u16(c.isMax() ? 0xFFFF : uint16_t(c.length * unitBytes)); };
    switch (c.type) {
    case SqlType::TinyInt: out.u8(tds::IntN); out.u8(1); break;
    case SqlType::SmallInt: out.u8(tds::IntN); out.u8(2); break;
    case SqlType::Int: out.u8(tds::IntN); out.u8(4); break;
    case SqlType::BigInt: out.u8(tds::IntN); out.u8(8); break;
    case SqlType::Bit: out.u8(tds::BitN); out.u8(1); break;
    case SqlType::Decimal:
    case SqlType::Numeric:
        out.u8(c.type == SqlType::Decimal ? tds::DecimalN : tds::NumericN);
        out.u8(decimalByteLength(c.precision));
        out.u8(uint8_t(c.precision));
        out.u8(uint8_t(c.scale));
        break;
    case SqlType::Money: out.u8(tds::MoneyN); out.u8(8); break;
    case SqlType::SmallMoney: out.u8(tds::MoneyN); out.u8(4); break;
    case SqlType::Float: out.u8(tds::FloatN); out.u8(8); break;
    case SqlType::Real: out.u8(tds::FloatN); out.u8(4); break;
    case SqlType::Char: out.u8(tds::BigChar); maxLength(1); out.put(kCollation, 5); break;
    case SqlType::VarChar: out.u8(tds::BigVarChar); maxLength(1); out.put(kCollation, 5); break;
    case SqlType::NChar: out.u8(tds::NChar); maxLength(2); out.put(kCollation, 5); break;
    case SqlType::NVarChar: out.u8(tds::NVarChar); maxLength(2); out.put(kCollation, 5); break;
    case SqlType::Date: out.u8(tds::DateN); break;
    case SqlType::Time: out.u8(tds::TimeN); out.u8(uint8_t(c.scale)); break;
    case SqlType::DateTime2: out.u8(tds::DateTime2N); out.u8(uint8_t(c.scale)); break;
    case SqlType::DateTime: out.u8(tds::DateTimeN); out.u8(8); break;
    case SqlType::SmallDateTime: out.u8(tds::DateTimeN); out.u8(4); break;
    case SqlType::UniqueIdentifier: out.u8(tds::Guid); out.u8(16); break;
    case SqlType::Binary: out.u8(tds::BigBinary); maxLength(1); break;
    case SqlType::VarBinary: out.u8(tds::BigVarBinary); maxLength(1); break;
    // The largest length of each type, the collation for text, and the table name in parts (none sent).
    case SqlType::Text: out.u8(tds::Text); out.u32(0x7FFFFFFF); out.put(kCollation, 5); out.u8(0); break;
    case SqlType::NText: out.u8(tds::NText); out.u32(0x7FFFFFFE); out.put(kCollation, 5); out.u8(0); break;
    case SqlType::Image: out.u8(tds::Image); out.u32(0x7FFFFFFF); out.u8(0); break;
    case SqlType::Xml: out.u8(tds::Xml); out.u8(0); break; // no schema collection
    }
}

} // namespace velloxa::sandbox
