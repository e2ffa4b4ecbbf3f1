#include "export/ResultTextReader.h"

#include "errors/Failure.h"
#include "export/ShortestNumber.h"
#include "export/TextOutput.h"

#include <cstring>
#include <type_traits>
#include <vector>

namespace velloxa {

namespace {

enum class Kind { Text, Integer, Decimal, Double, Real, Bit, Date, Timestamp, Time, Guid, Binary };

// Columns wider than this are read in chunks instead of being bound.
constexpr SQLULEN LongerThanBound = 8000;
// The bound buffers of one block stay within this (in the processor's cache while the
// driver fills it and the rows are read), unless a single row is larger.
constexpr SQLLEN BlockBudget = 64 << 10;
// Under a statement limit a fetch waits for at most about one packet (16 KiB), so that a call
// that waits longer than the limit means a silent server, not a slow one (ServerWait.h).
constexpr SQLLEN LimitedBlockBudget = 8 << 10;
constexpr SQLULEN MostRowsPerFetch = 1024;
constexpr SQLLEN ChunkSize = 64 << 10;
// SQL Server's time(n), which the ODBC headers of the driver manager do not name.
constexpr SQLSMALLINT SqlServerTime = -154;

} // namespace

struct ResultTextReader::Column {
    QString name;
    Kind kind = Kind::Text;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN elementSize = 0;
    bool isLong = false;
    std::vector<qint64> storage; // 8-byte aligned for the ODBC structs
    std::vector<SQLLEN> indicators;
    // The text of a value of this column's kind, chosen once rather than for every value.
    ResultTextReader::Writer<QString> toText = nullptr;
    ResultTextReader::Writer<FileBuffer> toBytes = nullptr;
    ResultTextReader::Writer<ReservedBytes> toRoom = nullptr;

    char* element(SQLULEN row) { return reinterpret_cast<char*>(storage.data()) + row * SQLULEN(elementSize); }
    const char* element(SQLULEN row) const { return reinterpret_cast<const char*>(storage.data()) + row * SQLULEN(elementSize); }
    template <Kind kind, typename Out>
    static void Write(const ValueTextFormat& format, const Column& column, const char* element,
                      SQLLEN indicator, Out& out);
    template <typename Out>
    static ResultTextReader::Writer<Out> WriterFor(Kind kind);
};

template <Kind kind, typename Out>
void ResultTextReader::Column::Write(const ValueTextFormat& format, const Column& column, const char* element,
                                     SQLLEN indicator, Out& out)
{
    if constexpr (kind == Kind::Text) {
        if (indicator > column.elementSize - SQLLEN(sizeof(SQLWCHAR)))
            throw Failure(QStringLiteral("A value of column %1 is longer than the column's size.").arg(column.name));
        AppendText(out, QStringView(reinterpret_cast<const char16_t*>(element), qsizetype(indicator) / 2));
    } else if constexpr (kind == Kind::Integer) {
        format.appendInteger(*reinterpret_cast<const SQLBIGINT*>(element), out);
    } else if constexpr (kind == Kind::Decimal) {
        format.appendDecimal(QByteArrayView(element, qMin<SQLLEN>(indicator, column.elementSize - 1)), out);
    } else if constexpr (kind == Kind::Double) {
        format.appendDouble(*reinterpret_cast<const double*>(element), out);
    } else if constexpr (kind == Kind::Real) {
        format.appendReal(*reinterpret_cast<const float*>(element), out);
    } else if constexpr (kind == Kind::Bit) {
        format.appendBit(*element != 0, out);
    } else if constexpr (kind == Kind::Date) {
        format.appendDate(*reinterpret_cast<const SQL_DATE_STRUCT*>(element), out);
    } else if constexpr (kind == Kind::Timestamp) {
        format.appendTimestamp(*reinterpret_cast<const SQL_TIMESTAMP_STRUCT*>(element), out);
    } else if constexpr (kind == Kind::Time) {
        // The driver's form: "hh:mm:ss" with an optional ".fffffff".
        const QByteArray text(element, qsizetype(qMin<SQLLEN>(indicator, column.elementSize - 1)));
        const QList<QByteArray> parts = text.split(':');
        if (parts.size() != 3)
            throw Failure(QStringLiteral("Unexpected time value \"%1\" in column %2.").arg(QString::fromLatin1(text), column.name));
        const QList<QByteArray> seconds = parts[2].split('.');
        const quint32 nanoseconds = seconds.size() > 1 ? seconds[1].leftJustified(9, '0', true).toUInt() : 0;
        format.appendTime(parts[0].toInt(), parts[1].toInt(), seconds[0].toInt(), nanoseconds, out);
    } else if constexpr (kind == Kind::Guid) {
        format.appendGuid(*reinterpret_cast<const SQLGUID*>(element), out);
    } else {
        static_assert(kind == Kind::Binary);
        format.appendBinary(QByteArrayView(element, qsizetype(qMin(indicator, column.elementSize))), out);
    }
}

template <typename Out>
ResultTextReader::Writer<Out> ResultTextReader::Column::WriterFor(Kind kind)
{
    switch (kind) {
    case Kind::Text: return &Write<Kind::Text, Out>;
    case Kind::Integer: return &Write<Kind::Integer, Out>;
    case Kind::Decimal: return &Write<Kind::Decimal, Out>;
    case Kind::Double: return &Write<Kind::Double, Out>;
    case Kind::Real: return &Write<Kind::Real, Out>;
    case Kind::Bit: return &Write<Kind::Bit, Out>;
    case Kind::Date: return &Write<Kind::Date, Out>;
    case Kind::Timestamp: return &Write<Kind::Timestamp, Out>;
    case Kind::Time: return &Write<Kind::Time, Out>;
    case Kind::Guid: return &Write<Kind::Guid, Out>;
    case Kind::Binary: return &Write<Kind::Binary, Out>;
    }
    return nullptr;
}

ResultTextReader::ResultTextReader(odbc::Statement& statement, const ValueTextFormat& format,
                                   SQLULEN rowsPerFetch)
    : statement_(statement), format_(format)
{
    const int count = statement.columnCount();
    SQLLEN rowBytes = 0;
    for (int i = 0; i < count; ++i) {
        const odbc::ColumnDescription description = statement.describe(i);
        auto column = std::make_unique<Column>();
        column->name = description.name;
        const SQLULEN size = description.size;
        switch (description.type) {
        case SQL_CHAR: case SQL_VARCHAR: case SQL_WCHAR: case SQL_WVARCHAR:
            column->elementSize = SQLLEN(size + 1) * SQLLEN(sizeof(SQLWCHAR));
            column->isLong = size == 0 || size > LongerThanBound;
            break;
        case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT:
            column->kind = Kind::Integer; column->cType = SQL_C_SBIGINT; column->elementSize = sizeof(SQLBIGINT);
            break;
        case SQL_DECIMAL: case SQL_NUMERIC:
            column->kind = Kind::Decimal; column->cType = SQL_C_CHAR; column->elementSize = SQLLEN(size) + 4;
            break;
        case SQL_FLOAT: case SQL_DOUBLE:
            column->kind = Kind::Double; column->cType = SQL_C_DOUBLE; column->elementSize = sizeof(double);
            break;
        case SQL_REAL:
            column->kind = Kind::Real; column->cType = SQL_C_FLOAT; column->elementSize = sizeof(float);
            break;
        case SQL_BIT:
            column->kind = Kind::Bit; column->cType = SQL_C_BIT; column->elementSize = 1;
            break;
        case SQL_TYPE_DATE:
            column->kind = Kind::Date; column->cType = SQL_C_TYPE_DATE; column->elementSize = sizeof(SQL_DATE_STRUCT);
            break;
        case SQL_TYPE_TIMESTAMP:
            column->kind = Kind::Timestamp; column->cType = SQL_C_TYPE_TIMESTAMP; column->elementSize = sizeof(SQL_TIMESTAMP_STRUCT);
            break;
        case SqlServerTime:
            column->kind = Kind::Time; column->cType = SQL_C_CHAR; column->elementSize = 32;
            break;
        case SQL_GUID:
            column->kind = Kind::Guid; column->cType = SQL_C_GUID; column->elementSize = sizeof(SQLGUID);
            break;
        case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
            column->kind = Kind::Binary; column->cType = SQL_C_BINARY; column->elementSize = SQLLEN(size);
            column->isLong = description.type == SQL_LONGVARBINARY || size == 0 || size > LongerThanBound;
            break;
        default:
            // Long text, xml and whatever else: the driver's text, in chunks.
            column->isLong = true;
            break;
        }
        if (column->isLong)
            column->elementSize = ChunkSize;
        column->toText = Column::WriterFor<QString>(column->kind);
        column->toBytes = Column::WriterFor<FileBuffer>(column->kind);
        column->toRoom = Column::WriterFor<ReservedBytes>(column->kind);
        unbound_ = unbound_ || column->isLong;
        rowBytes += column->elementSize + SQLLEN(sizeof(SQLLEN));
        names_ << column->name;
        columns_.push_back(std::move(column));
    }

    const SQLLEN budget = statement.limits().statementSeconds > 0 ? LimitedBlockBudget : BlockBudget;
    SQLULEN rows = 1;
    if (!unbound_)
        rows = rowsPerFetch ? rowsPerFetch
                            : qBound<SQLULEN>(1, SQLULEN(budget / qMax<SQLLEN>(rowBytes, 1)), MostRowsPerFetch);
    for (int i = 0; i < count; ++i) {
        Column& column = *columns_[size_t(i)];
        const SQLLEN bytes = column.elementSize * SQLLEN(rows);
        column.storage.resize(size_t(bytes + 7) / 8 + 1);
        column.indicators.resize(rows);
        if (!unbound_)
            statement.bind(i, column.cType, column.element(0), column.elementSize, column.indicators.data());
        bound_.push_back({column.element(0), column.elementSize, column.indicators.data(), column.toText,
                          column.toBytes, column.toRoom, &column});
    }
    if (!unbound_)
        statement.setRowArraySize(rows);
}

ResultTextReader::~ResultTextReader() = default;

QString ResultTextReader::characters(int index) const
{
    switch (columns_[size_t(index)]->kind) {
    case Kind::Integer: case Kind::Decimal: case Kind::Double: case Kind::Real:
        return format_.numberCharacters();
    case Kind::Date: case Kind::Timestamp: case Kind::Time:
        return format_.dateTimeCharacters();
    case Kind::Bit: return QStringLiteral("TrueFals");
    case Kind::Guid: return QStringLiteral("0123456789ABCDEF-");
    case Kind::Binary: return QStringLiteral("0123456789ABCDEFx");
    case Kind::Text: break;
    }
    return QString();
}

qsizetype ResultTextReader::mostBytes(int index, bool utf8) const
{
    const Column& column = *columns_[size_t(index)];
    const qsizetype perUnit = utf8 ? MostUtf8Bytes(1) : MostAnsiBytes(1);
    // Room for a multi-byte decimal separator and the whole words some writers store.
    constexpr qsizetype Spare = 24;
    switch (column.kind) {
    case Kind::Text: return column.elementSize / qsizetype(sizeof(SQLWCHAR)) * perUnit;
    case Kind::Integer: return 21 + Spare;
    case Kind::Decimal: return column.elementSize + 2 + Spare;
    case Kind::Double:
    case Kind::Real: return MostShortestChars + Spare;
    case Kind::Bit: return 5;
    case Kind::Date:
    case Kind::Timestamp:
    case Kind::Time: return format_.mostDateTimeBytes();
    case Kind::Guid: return 36;
    case Kind::Binary: return 2 + 2 * column.elementSize;
    }
    return column.elementSize * perUnit;
}

void ResultTextReader::readUnbound(int index)
{
    Column& column = *columns_[size_t(index)];
    SQLLEN indicator = 0;
    while (statement_.getData(index, column.cType, column.element(0), column.elementSize, &indicator)) {
    }
}

bool ResultTextReader::next()
{
    if (started_ && row_ + 1 < rowsInBlock_) {
        ++row_;
        return true;
    }
    if (started_ && rowsInBlock_ == 0)
        return false;
    started_ = true;
    row_ = 0;
    rowsInBlock_ = statement_.fetch();
    return rowsInBlock_ > 0;
}

template <typename Out>
bool ResultTextReader::appendUnbound(int index, Out& out)
{
    Column& column = *columns_[size_t(index)];
    const char* element = column.element(0);
    SQLLEN indicator = 0;
    if (column.isLong) {
        // Chunks until the value is complete, each written as it comes; text chunks end in a
        // NUL the next one overwrites. A chunk may end inside a surrogate pair: its first half
        // waits in the unit before the next chunk, so that the pair is encoded whole.
        const bool text = column.kind == Kind::Text;
        char* const slot = column.element(0);
        char* const chunk = slot + sizeof(char16_t);
        const SQLLEN room = column.elementSize - SQLLEN(sizeof(char16_t));
        char16_t carried = 0;
        bool more = true;
        for (bool first = true; more; first = false) {
            more = statement_.getData(index, column.cType, chunk, room, &indicator);
            if (indicator == SQL_NULL_DATA)
                return false;
            const SQLLEN part = more ? room - (text ? SQLLEN(sizeof(SQLWCHAR)) : 0) : indicator;
            if (!text) {
                if (first)
                    AppendAscii(out, "0x");
                format_.appendHexDigits(QByteArrayView(chunk, qsizetype(part)), out);
                continue;
            }
            const char16_t* units = reinterpret_cast<const char16_t*>(chunk);
            qsizetype count = qsizetype(part) / 2;
            if (carried) {
                std::memcpy(slot, &carried, sizeof carried);
                --units;
                ++count;
                carried = 0;
            }
            if (more && count > 0 && QChar::isHighSurrogate(units[count - 1]))
                carried = units[--count];
            AppendText(out, QStringView(units, count));
        }
        return true;
    }
    statement_.getData(index, column.cType, column.element(0), column.elementSize, &indicator);
    if (indicator == SQL_NULL_DATA)
        return false;
    if constexpr (std::is_same_v<Out, QString>)
        column.toText(format_, column, element, indicator, out);
    else
        column.toBytes(format_, column, element, indicator, out);
    return true;
}

// The two outputs: a preview cell and the export's bytes.
template bool ResultTextReader::appendUnbound(int, QString&);
template bool ResultTextReader::appendUnbound(int, FileBuffer&);

} // namespace velloxa
