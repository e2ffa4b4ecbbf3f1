// SQL Server column types as the sandbox knows them: read from an SQLite declared type
// ("decimal(10,2)", "nvarchar(50)", "varchar(-1)" or 'varchar(max)') and written as TDS TYPE_INFO.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velloxa::sandbox {

class PacketWriter;

enum class SqlType {
    TinyInt, SmallInt, Int, BigInt, Bit,
    Decimal, Numeric, Money, SmallMoney, Float, Real,
    Char, VarChar, NChar, NVarChar,
    Date, Time, DateTime, DateTime2, SmallDateTime,
    UniqueIdentifier, Binary, VarBinary,
    Text, NText, Image, Xml, // large objects that are not (max) types
};

struct ColumnType {
    static constexpr int kMax = -1;

    SqlType type = SqlType::NVarChar;
    int length = 4000;  // characters for text types, bytes for binary types; kMax for (max)
    int precision = 0;  // decimal, numeric
    int scale = 0;      // decimal, numeric (digits), time and datetime2 (fraction digits)

    bool isMax() const { return length == kMax; }
    // text, ntext and image travel with a text pointer; xml as a PLP stream like (max) types.
    bool isTextPointer() const { return type == SqlType::Text || type == SqlType::NText || type == SqlType::Image; }
    bool isPlp() const { return isMax() || type == SqlType::Xml; }
    // Values the session's TEXTSIZE cuts; xml is never cut.
    bool isCutByTextSize() const { return isMax() || isTextPointer(); }
};

// The SQL Server type an SQLite declared type names; nothing for names it does not know.
std::optional<ColumnType> parseDeclaredType(std::string_view declared);

// For result columns without a usable declared type: from the first value's SQLite storage class.
ColumnType typeForStorageClass(int sqliteType);

// Latin1_General_CI_AS: LCID 0x0409, flags CI/AS, sort id 0x34 (code page 1252).
inline constexpr uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

void writeTypeInfo(PacketWriter& out, const ColumnType& column);

// Bytes of a decimal value (sign included) and of the time part of time/datetime2 values.
uint8_t decimalByteLength(int precision);
uint8_t timeByteLength(int scale);

} // namespace velloxa::sandbox
