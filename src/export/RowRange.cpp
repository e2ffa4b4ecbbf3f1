#include "export/RowRange.h"

#include "connection/SqlIdentifier.h"
#include "errors/Failure.h"

#include <QRegularExpression>

namespace velloxa {

namespace {

constexpr SQLSMALLINT SsTime2 = -154; // SQL Server's time(n) as its drivers report it

// The digits a stored value may have: as many as the type keeps, at most seven.
const QRegularExpression& PatternFor(RisingKind kind)
{
    static const QRegularExpression integer(QStringLiteral("^-?[0-9]{1,19}$"));
    static const QRegularExpression date(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    static const QRegularExpression time(QStringLiteral("^[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{1,7})?$"));
    static const QRegularExpression dateTime(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{1,7})?$"));
    static const QRegularExpression rowVersion(QStringLiteral("^0x([0-9A-Fa-f]{2}){1,8}$"));
    switch (kind) {
    case RisingKind::Integer: return integer;
    case RisingKind::Date: return date;
    case RisingKind::Time: return time;
    case RisingKind::DateTime: return dateTime;
    case RisingKind::RowVersion: break;
    }
    return rowVersion;
}

QString KindName(RisingKind kind)
{
    switch (kind) {
    case RisingKind::Integer: return QStringLiteral("an integer");
    case RisingKind::Date: return QStringLiteral("a date (yyyy-MM-dd)");
    case RisingKind::Time: return QStringLiteral("a time (HH:mm:ss.fffffff)");
    case RisingKind::DateTime: return QStringLiteral("a date and time (yyyy-MM-dd HH:mm:ss.fffffff)");
    case RisingKind::RowVersion: break;
    }
    return QStringLiteral("a rowversion (0x and 16 hexadecimal digits)");
}

// A datetime keeps 1/300 s, which the driver rounds to milliseconds: .993 is 298/300 s,
// 0.9933333. The mark keeps that, so that the stored row compares equal and is not sent again
// (a server compares datetime with datetime2 by its exact value).
QString ExactDateTime(const QString& text)
{
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text;
    const int milliseconds = text.mid(point + 1).leftJustified(3, QLatin1Char('0')).left(3).toInt();
    const qint64 ticks = (milliseconds * 300 + 500) / 1000;
    const qint64 tenMillionths = (ticks * 10'000'000 + 150) / 300;
    return text.left(point + 1) + QStringLiteral("%1").arg(tenMillionths, 7, 10, QLatin1Char('0'));
}

bool IsDateTime(const odbc::ColumnDescription& column)
{
    return column.type == SQL_TYPE_TIMESTAMP && column.size == 23 && column.digits == 3;
}

} // namespace

std::optional<RisingType> RisingTypeOf(const odbc::ColumnDescription& column)
{
    switch (column.type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return RisingType{RisingKind::Integer, column};
    case SQL_TYPE_DATE: return RisingType{RisingKind::Date, column};
    case SQL_TYPE_TIME:
    case SsTime2: return RisingType{RisingKind::Time, column};
    case SQL_TYPE_TIMESTAMP: return RisingType{RisingKind::DateTime, column};
    case SQL_BINARY:
        if (column.size == 8)
            return RisingType{RisingKind::RowVersion, column};
        break;
    default: break;
    }
    return std::nullopt;
}

void CheckRisingText(const QString& text, RisingKind kind)
{
    bool fits = PatternFor(kind).match(text).hasMatch();
    if (fits && kind == RisingKind::Integer)
        text.toLongLong(&fits);
    if (!fits)
        throw Failure(QStringLiteral("The stored value \"%1\" is not %2.").arg(text, KindName(kind)));
}

QString RangeClause(const RowRange& range)
{
    if (range.upTo.isEmpty())
        return QStringLiteral(" WHERE 1 = 0");
    const QString column = BracketedIdentifier(range.column);
    QString clause = QStringLiteral(" WHERE ");
    if (!range.after.isEmpty())
        clause += column + QStringLiteral(" > ? AND ");
    return clause + column + QStringLiteral(" <= ? ORDER BY ") + column;
}

RangeParameters::RangeParameters(const RowRange& range) : type_(range.type)
{
    if (range.upTo.isEmpty())
        return;
    if (!range.after.isEmpty())
        after_ = parse(range.after);
    upTo_ = parse(range.upTo);
}

RangeParameters::Value RangeParameters::parse(const QString& text) const
{
    CheckRisingText(text, type_.kind);
    Value value;
    switch (type_.kind) {
    case RisingKind::Integer:
        value.integer = text.toLongLong();
        value.length = sizeof value.integer;
        break;
    case RisingKind::RowVersion:
        value.bytes = QByteArray::fromHex(text.mid(2).toLatin1());
        value.length = value.bytes.size();
        break;
    case RisingKind::Date:
    case RisingKind::Time:
    case RisingKind::DateTime: // checked: ASCII digits and marks only
        value.bytes = text.toLatin1();
        value.length = value.bytes.size();
        break;
    }
    return value;
}

void RangeParameters::bind(odbc::Statement& statement)
{
    const odbc::ColumnDescription& column = type_.column;
    int number = 0;
    for (Value* value : {after_ ? &*after_ : nullptr, upTo_ ? &*upTo_ : nullptr}) {
        if (!value)
            continue;
        ++number;
        switch (type_.kind) {
        case RisingKind::Integer:
            statement.bindParameter(number, SQL_C_SBIGINT, SQL_BIGINT, 19, 0, &value->integer, 0, &value->length);
            break;
        case RisingKind::RowVersion:
            statement.bindParameter(number, SQL_C_BINARY, SQL_BINARY, SQLULEN(value->bytes.size()), 0,
                                    value->bytes.data(), value->length, &value->length);
            break;
        case RisingKind::DateTime: // with all seven digits: datetime2(7) holds every date and time type exactly
            statement.bindParameter(number, SQL_C_CHAR, SQL_TYPE_TIMESTAMP, 27, 7, value->bytes.data(), value->length,
                                    &value->length);
            break;
        case RisingKind::Time:
            statement.bindParameter(number, SQL_C_CHAR, column.type, 16, 7, value->bytes.data(), value->length,
                                    &value->length);
            break;
        case RisingKind::Date:
            statement.bindParameter(number, SQL_C_CHAR, column.type, column.size, column.digits, value->bytes.data(),
                                    value->length, &value->length);
            break;
        }
    }
}

std::optional<QString> HighestValue(odbc::Connection& connection, const QString& schema, const QString& table,
                                    const QString& column, const RisingType& type)
{
    odbc::Statement query(connection);
    query.execute(QStringLiteral("SELECT MAX(%1) FROM %2").arg(BracketedIdentifier(column), QualifiedTableName(schema, table)));
    SQLLEN indicator = SQL_NULL_DATA;
    QString text;
    if (query.fetch() > 0) {
        if (type.kind == RisingKind::Integer) {
            SQLBIGINT value = 0;
            query.getData(0, SQL_C_SBIGINT, &value, sizeof value, &indicator);
            text = QString::number(value);
        } else if (type.kind == RisingKind::RowVersion) {
            char bytes[16] = {};
            query.getData(0, SQL_C_BINARY, bytes, sizeof bytes, &indicator);
            if (indicator != SQL_NULL_DATA)
                text = QStringLiteral("0x") + QString::fromLatin1(QByteArray(bytes, int(std::min<SQLLEN>(indicator, 16))).toHex().toUpper());
        } else {
            char chars[64] = {};
            query.getData(0, SQL_C_CHAR, chars, sizeof chars, &indicator);
            text = QString::fromLatin1(chars);
            if (IsDateTime(type.column))
                text = ExactDateTime(text);
        }
    }
    query.close();
    if (indicator == SQL_NULL_DATA)
        return std::nullopt;
    CheckRisingText(text, type.kind);
    return text;
}

} // namespace velloxa
