#pragma once

#include "connection/odbc/Statement.h"
#include "export/FileBuffer.h"
#include "export/TextOutput.h"
#include "export/ValueText.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <type_traits>
#include <vector>

namespace velloxa {

// Reads an executed statement row by row and gives each value as text (ValueText.h).
// Rows arrive in blocks of bound column-wise buffers; a result with a long ((max), text,
// image, xml) column is read one row per fetch, its values in chunks by SQLGetData.
// Memory stays within the buffers of one block whatever the row count.
class ResultTextReader {
public:
    // rowsPerFetch 0: as many rows as fit in 64 KiB (a block stays in the cache), at most 1024.
    ResultTextReader(odbc::Statement& statement, const ValueTextFormat& format,
                     SQLULEN rowsPerFetch = 0);
    ~ResultTextReader();

    const QStringList& columnNames() const { return names_; }
    int columnCount() const { return int(names_.size()); }

    // Every character a value of `column` can be written with; a null string when that can be
    // any (text).
    QString characters(int column) const;

    // Whether rows come in blocks of bound buffers (no long column): then every value's text
    // fits in mostBytes(), and appendValue can write into a row's reserved room.
    bool readsBlocks() const { return !unbound_; }
    // The most bytes the text of a value of `column` takes in an 8-bit file (UTF-8 or the
    // code page), with what its writer may copy past its end.
    qsizetype mostBytes(int column, bool utf8) const;

    // Advances to the next row; false at the end. Throws Failure (a lost connection).
    bool next();
    // Appends the text of the current row's value in `column` to a QString or the export's
    // bytes (TextOutput.h; ReservedBytes only when readsBlocks()). A NULL appends nothing and
    // answers false.
    template <typename Out>
    bool appendValue(int column, Out& out);
    // Reads the current row's value in `column` as the driver gives it and makes no text of
    // it: what a bare fetch loop does (bound values are there after next()).
    void readValue(int column)
    {
        if (unbound_)
            readUnbound(column);
    }

private:
    struct Column;
    template <typename Out>
    using Writer = void (*)(const ValueTextFormat& format, const Column& column, const char* element,
                            SQLLEN indicator, Out& out);
    // What appendValue needs of a bound column, kept together: it runs for every value.
    struct Bound {
        const char* elements;
        SQLLEN elementSize;
        const SQLLEN* indicators;
        Writer<QString> toText; // the text of a value of the column's kind, chosen once
        Writer<FileBuffer> toBytes;
        Writer<ReservedBytes> toRoom;
        const Column* column;
    };

    // A result with a long column: each value by SQLGetData.
    template <typename Out>
    bool appendUnbound(int column, Out& out);
    void readUnbound(int column);

    odbc::Statement& statement_;
    const ValueTextFormat& format_;
    QStringList names_;
    std::vector<std::unique_ptr<Column>> columns_;
    std::vector<Bound> bound_;
    bool unbound_ = false;
    SQLULEN rowsInBlock_ = 0;
    SQLULEN row_ = 0;
    bool started_ = false;
};

template <typename Out>
inline bool ResultTextReader::appendValue(int column, Out& out)
{
    if constexpr (std::is_same_v<Out, ReservedBytes>)
        Q_ASSERT(!unbound_);
    else if (unbound_) [[unlikely]]
        return appendUnbound(column, out);
    const Bound& bound = bound_[size_t(column)];
    const SQLLEN indicator = bound.indicators[row_];
    if (indicator == SQL_NULL_DATA)
        return false;
    const Writer<Out> writer = [&bound] {
        if constexpr (std::is_same_v<Out, QString>)
            return bound.toText;
        else if constexpr (std::is_same_v<Out, FileBuffer>)
            return bound.toBytes;
        else
            return bound.toRoom;
    }();
    writer(format_, *bound.column, bound.elements + row_ * SQLULEN(bound.elementSize), indicator, out);
    return true;
}

} // namespace velloxa
