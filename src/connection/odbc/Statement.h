#pragma once

#include "connection/odbc/Connection.h"

#include <QString>

#include <sql.h>
#include <sqlext.h>

namespace velloxa::odbc {

struct ColumnDescription {
    QString name;           // as the server reports it
    SQLSMALLINT type = 0;   // SQL data type
    SQLULEN size = 0;       // column size (0 for (max) columns)
    SQLSMALLINT digits = 0; // decimal digits / fraction precision
};

// A forward-only, read-only statement with the driver's default attributes.
// Every failing call throws Failure with the driver's message text.
class Statement {
public:
    explicit Statement(Connection& connection);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void execute(const QString& sql);
    int columnCount() const;
    ColumnDescription describe(int column) const; // 0-based

    // Block fetches: `rows` rows per fetch into column-wise bound buffers.
    void setRowArraySize(SQLULEN rows);
    void bind(int column, SQLSMALLINT cType, void* buffer, SQLLEN elementSize, SQLLEN* indicators);

    // Binds the value of the statement's `number`th '?' (1-based), sent as a parameter of the
    // given SQL type; the buffers must live until execute().
    void bindParameter(int number, SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits,
                       void* value, SQLLEN length, SQLLEN* indicator);

    // Fetches the next block; returns how many rows it holds (0 at the end).
    SQLULEN fetch();

    // Reads (the next part of) an unbound column of the current row. Returns false when
    // the value is complete after this part; `indicator` tells its length or SQL_NULL_DATA.
    bool getData(int column, SQLSMALLINT cType, void* buffer, SQLLEN bufferSize, SQLLEN* indicator);

    void close();
    SQLHSTMT handle() const { return handle_; }
    const ConnectionLimits& limits() const { return limits_; }

private:
    ConnectionLimits limits_;
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
    SQLULEN rowsFetched_ = 0;
};

} // namespace velloxa::odbc
