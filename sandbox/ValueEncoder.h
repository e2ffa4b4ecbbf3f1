// Encodes SQLite values as TDS row data of their SQL Server column type. How values are stored in
// SQLite: integers and bit as INTEGER; decimal/money as INTEGER, REAL or text "-123.45"; float
// and real as REAL; text as UTF-8 TEXT; dates as text (DateTimeText.h); uniqueidentifier as text
// "6F9619FF-8B86-D011-B42D-00C04FC964FF"; binary as BLOB. A value that cannot be read as its
// column's type is sent as NULL.
#pragma once

#include "ColumnType.h"

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace velloxa::sandbox {

class PacketWriter;

class ValueEncoder {
public:
    // Column `index` of the statement's current row.
    void write(PacketWriter& out, const ColumnType& column, sqlite3_stmt* row, int index);
    void writeNull(PacketWriter& out, const ColumnType& column);

    // The session's TEXTSIZE in bytes, or unlimited: (max), text, ntext and image values are cut to it.
    static constexpr uint64_t kDefaultTextSize = 4096, kUnlimited = UINT64_MAX;
    void setTextSize(uint64_t bytes) { textSize_ = bytes; }

    // Text values for rows the server makes up itself (the catalogue).
    void writeText(PacketWriter& out, const ColumnType& column, std::string_view utf8);

private:
    void writeDecimal(PacketWriter& out, const ColumnType& column, sqlite3_stmt* row, int index);
    void writeMoney(PacketWriter& out, const ColumnType& column, sqlite3_stmt* row, int index);
    void writeTemporal(PacketWriter& out, const ColumnType& column, std::string_view text);
    void writeGuid(PacketWriter& out, const ColumnType& column, sqlite3_stmt* row, int index);
    void writeBytes(PacketWriter& out, const ColumnType& column, const void* data, size_t size);
    void writeSized(PacketWriter& out, const ColumnType& column, const void* data, size_t size);

    // Scratch space reused from row to row, so that encoding allocates nothing per value.
    std::u16string wide_;
    std::string narrow_;
    std::string number_;
    uint64_t textSize_ = kDefaultTextSize;
};

} // namespace velloxa::sandbox
