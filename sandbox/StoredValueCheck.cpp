#include "StoredValueCheck.h"

#include "ColumnType.h"
#include "DateTimeText.h"
#include "IntegerConversion.h"
#include "Text.h"
#include "TsqlTranslator.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>

namespace velloxa::sandbox {
namespace {

struct Refusal {
    int number;
    std::string text;
};

const char* typeName(SqlType type)
{
    switch (type) {
    case SqlType::TinyInt: return "tinyint";
    case SqlType::SmallInt: return "smallint";
    case SqlType::Int: return "int";
    case SqlType::BigInt: return "bigint";
    case SqlType::Bit: return "bit";
    case SqlType::Money: return "money";
    case SqlType::SmallMoney: return "smallmoney";
    case SqlType::Float: return "float";
    case SqlType::Real: return "real";
    case SqlType::DateTime: return "datetime";
    case SqlType::SmallDateTime: return "smalldatetime";
    default: return "numeric";
    }
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

// "[+-]digits[.digits]", as a server reads a character value into a number; the digits
// before the point (leading zeros dropped), or nothing when the text is no number.
std::optional<size_t> integerDigits(const std::string& text)
{
    size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0, digits = 0, significant = 0, after = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        if (significant || text[i] != '0') ++significant;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++after;
    if (i != text.size() || digits + after == 0) return std::nullopt;
    return significant;
}

size_t integerDigits(double v)
{
    v = std::trunc(std::fabs(v));
    size_t digits = 0;
    for (; v >= 1; v = std::trunc(v / 10)) ++digits;
    return digits;
}

std::optional<Refusal> checkInteger(const ColumnType& c, sqlite3_stmt* row, int index, int sqliteType)
{
    const char* name = typeName(c.type);
    long double v = 0;
    if (sqliteType == SQLITE_INTEGER) {
        v = (long double)sqlite3_column_int64(row, index);
    } else if (sqliteType == SQLITE_FLOAT) {
        v = std::trunc((long double)sqlite3_column_double(row, index));
    } else {
        const std::string text = trimmed(reinterpret_cast<const char*>(sqlite3_column_text(row, index)));
        if (c.type == SqlType::Bit && (equalsIgnoreCase(text, "true") || equalsIgnoreCase(text, "false"))) return std::nullopt;
        const auto number = integerFromText(text);
        if (!number) return Refusal{245, "Conversion failed when converting the varchar value '" + text + "' to data type " + name + "."};
        v = *number;
    }
    const auto range = integerRange(c.type); // none for bit: any number is 0 or 1
    if (range && !range->holds(v)) return Refusal{8115, std::string("Arithmetic overflow error converting expression to data type ") + name + "."};
    return std::nullopt;
}

std::optional<Refusal> checkNumber(const ColumnType& c, sqlite3_stmt* row, int index, int sqliteType)
{
    const bool money = c.type == SqlType::Money || c.type == SqlType::SmallMoney;
    const bool approximate = c.type == SqlType::Float || c.type == SqlType::Real;
    size_t digits = 0;
    if (sqliteType == SQLITE_TEXT) {
        const auto d = integerDigits(trimmed(reinterpret_cast<const char*>(sqlite3_column_text(row, index))));
        if (!d) {
            if (money) return Refusal{235, "Cannot convert a char value to money. The char value has incorrect syntax."};
            return Refusal{8114, std::string("Error converting data type varchar to ") + (approximate ? "float" : "numeric") + "."};
        }
        digits = *d;
    } else {
        digits = integerDigits(sqlite3_column_double(row, index));
    }
    if (approximate) return std::nullopt;
    if (money) {
        const double v = std::fabs(sqlite3_column_double(row, index));
        if (c.type == SqlType::SmallMoney ? v > 214748.3648 : v > 922337203685477.5807)
            return Refusal{8115, std::string("Arithmetic overflow error converting expression to data type ") + typeName(c.type) + "."};
        return std::nullopt;
    }
    if (digits > size_t(c.precision - c.scale)) return Refusal{8115, "Arithmetic overflow error converting numeric to data type numeric."};
    return std::nullopt;
}

std::optional<Refusal> checkTemporal(const ColumnType& c, std::string_view text)
{
    const auto v = parseDateTime(text);
    const bool legacy = c.type == SqlType::DateTime || c.type == SqlType::SmallDateTime;
    const auto outOfRange = [&] {
        return Refusal{242, std::string("The conversion of a varchar data type to a ") + typeName(c.type) + " data type resulted in an out-of-range value."};
    };
    if (!v) {
        // A date in the right shape that does not exist (2024-02-30) is out of range for the
        // older types, unreadable for the newer ones.
        const bool dateShaped = text.size() >= 10 && text[4] == '-' && text[7] == '-';
        if (legacy && dateShaped) return outOfRange();
        return Refusal{241, "Conversion failed when converting date and/or time from character string."};
    }
    constexpr int32_t k1753 = 639905, k2079_06_06 = 758900; // days since 0001-01-01
    if (c.type == SqlType::DateTime && v->daysSince0001 < k1753) return outOfRange();
    if (c.type == SqlType::SmallDateTime && (v->daysSince0001 < kDaysFrom0001To1900 || v->daysSince0001 > k2079_06_06)) return outOfRange();
    return std::nullopt;
}

std::optional<Refusal> checkLength(const ColumnType& c, sqlite3_stmt* row, int index, int sqliteType, const std::string& table, const std::string& column)
{
    if (c.isMax() || c.isTextPointer() || c.type == SqlType::Xml) return std::nullopt;
    const size_t bytes = size_t(sqlite3_column_bytes(row, index));
    if (bytes <= size_t(c.length)) return std::nullopt; // no more characters than bytes
    const bool binary = c.type == SqlType::Binary || c.type == SqlType::VarBinary;
    size_t length = bytes, kept = 0;
    if (!binary && sqliteType != SQLITE_BLOB) {
        // Trailing blanks are dropped, not refused; characters are counted, not bytes.
        std::string_view text(reinterpret_cast<const char*>(sqlite3_column_text(row, index)), bytes);
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        length = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
            if (length == size_t(c.length)) kept = i;
            ++length;
        }
    }
    if (length <= size_t(c.length)) return std::nullopt;
    const std::string shown = binary || sqliteType == SQLITE_BLOB ? "" : std::string(reinterpret_cast<const char*>(sqlite3_column_text(row, index)), kept);
    return Refusal{2628, "String or binary data would be truncated in table '" + table + "', column '" + column + "'. Truncated value: '" + shown + "'."};
}

bool isGuid(const std::string& text)
{
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? ch != '-' : !std::isxdigit(static_cast<unsigned char>(ch))) return false;
    }
    return true;
}

std::optional<Refusal> check(const ColumnType& c, sqlite3_stmt* row, int index, const std::string& table, const std::string& column)
{
    const int sqliteType = sqlite3_column_type(row, index);
    if (sqliteType == SQLITE_NULL) return std::nullopt;
    const auto text = [&] {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(row, index));
        return std::string_view(data, size_t(sqlite3_column_bytes(row, index)));
    };
    switch (c.type) {
    case SqlType::TinyInt:
    case SqlType::SmallInt:
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit: return sqliteType == SQLITE_BLOB ? std::nullopt : checkInteger(c, row, index, sqliteType);
    case SqlType::Decimal:
    case SqlType::Numeric:
    case SqlType::Money:
    case SqlType::SmallMoney:
    case SqlType::Float:
    case SqlType::Real: return sqliteType == SQLITE_BLOB ? std::nullopt : checkNumber(c, row, index, sqliteType);
    case SqlType::Date:
    case SqlType::Time:
    case SqlType::DateTime:
    case SqlType::DateTime2:
    case SqlType::SmallDateTime: return sqliteType == SQLITE_TEXT ? checkTemporal(c, text()) : Refusal{241, "Conversion failed when converting date and/or time from character string."};
    case SqlType::UniqueIdentifier:
        if (sqliteType == SQLITE_TEXT && !isGuid(trimmed(text())))
            return Refusal{8169, "Conversion failed when converting from a character string to uniqueidentifier."};
        return std::nullopt;
    default: return checkLength(c, row, index, sqliteType, table, column);
    }
}

} // namespace

void checkStoredValues(sqlite3* db, const std::string& database, const std::vector<CatalogueObject>& objects)
{
    for (const CatalogueObject& o : objects) {
        if (o.type != "TABLE" || o.isSystemObject()) continue;
        // One pass over the table for all its typed columns.
        std::vector<std::pair<const CatalogueColumn*, ColumnType>> columns;
        std::string sql = "SELECT rowid";
        for (const CatalogueColumn& column : o.columns) {
            if (const auto type = parseDeclaredType(column.declaredType)) {
                columns.emplace_back(&column, *type);
                sql += ", " + quoteIdentifier(column.name);
            }
        }
        if (columns.empty()) continue;
        sql += " FROM " + quoteIdentifier(o.table) + " ORDER BY rowid";
        sqlite3_stmt* row = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &row, nullptr) != SQLITE_OK) continue; // WITHOUT ROWID tables go unchecked
        const std::string table = database + "." + o.owner + "." + o.name;
        long long position = 0;
        std::optional<Refusal> refusal;
        const CatalogueColumn* refused = nullptr;
        while (!refusal && sqlite3_step(row) == SQLITE_ROW) {
            ++position;
            for (size_t i = 0; i < columns.size() && !refusal; ++i) {
                refusal = check(columns[i].second, row, int(i) + 1, table, columns[i].first->name);
                refused = columns[i].first;
            }
        }
        sqlite3_finalize(row);
        if (refusal)
            throw std::runtime_error("database " + database + ": table " + o.owner + "." + o.name + ", column " + refused->name + ", row " + std::to_string(position) + ": error " + std::to_string(refusal->number) + ": " + refusal->text);
    }
}

} // namespace velloxa::sandbox
