#pragma once

#include "connection/odbc/Statement.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velloxa {

// The kinds of column that can tell new rows from old: a value only ever grows.
enum class RisingKind { Integer,
                        Date,
                        Time,
                        DateTime,
                        RowVersion };

struct RisingType {
    RisingKind kind = RisingKind::Integer;
    odbc::ColumnDescription column; // the server's type, size and digits: the parameters go as that
};

// The column's rising kind; none for any other type (text, decimal, float, ...).
// A rowversion is binary(8) to the driver; a binary(8) column compares the same way.
std::optional<RisingType> RisingTypeOf(const odbc::ColumnDescription& column);

// The rows of a rising column after `after` (empty: from the first) up to `upTo`, the highest
// value when the run began, so that rows added meanwhile are left whole to the next run
// (empty: the column holds no value, and the range no row).
// Values in their stored text: an integer's digits, yyyy-MM-dd, HH:mm:ss[.fffffff],
// yyyy-MM-dd HH:mm:ss[.fffffff] (all the digits the server keeps), a rowversion as 0x and hex.
struct RowRange {
    QString column;
    RisingType type;
    QString after;
    QString upTo;
};

// Throws Failure when `text` is not a value of the kind in its stored form.
void CheckRisingText(const QString& text, RisingKind kind);

// "WHERE [c] > ? AND [c] <= ? ORDER BY [c]" (without a lower bound: "WHERE [c] <= ? ...").
QString RangeClause(const RowRange& range);

// The range's values as the clause's parameters, typed as the column is: never pasted into
// the statement's text. Lives until the statement has run.
class RangeParameters {
public:
    explicit RangeParameters(const RowRange& range); // throws Failure for a stored value of another kind
    void bind(odbc::Statement& statement);

private:
    struct Value {
        qint64 integer = 0;
        QByteArray bytes; // text (ASCII) or binary
        SQLLEN length = 0;
    };
    Value parse(const QString& text) const;

    RisingType type_;
    std::optional<Value> after_;
    std::optional<Value> upTo_;
};

// The column's highest value in its stored text; none when it holds no value.
std::optional<QString> HighestValue(odbc::Connection& connection, const QString& schema, const QString& table,
                                    const QString& column, const RisingType& type);

} // namespace velloxa
