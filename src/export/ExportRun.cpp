#include "export/ExportRun.h"

#include "connection/odbc/Connection.h"
#include "connection/odbc/Statement.h"
#include "errors/Failure.h"
#include "export/ExportFiles.h"
#include "export/FileBuffer.h"
#include "export/ExportStatement.h"
#include "export/LineWriter.h"
#include "export/OutputTarget.h"
#include "export/RegionalSettings.h"
#include "export/ResultTextReader.h"
#include "export/RowCountEstimate.h"
#include "export/TextOutput.h"
#include "export/ValueText.h"

#include <QElapsedTimer>
#include <QtEndian>

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <cstring>
#include <exception>
#include <memory>
#include <type_traits>
#include <vector>

namespace velloxa {

namespace {

constexpr qint64 ProgressIntervalMs = 30;
// Reading the clock for every row costs more than the rows themselves on a fast server.
constexpr qint64 ClockCheckRows = 32;
constexpr qsizetype WriteSize = 256 << 10;
constexpr QByteArrayView LineEnd("\r\n");

// What the two streaming loops share. `line` tells the trap where a failure arose.
struct Stream {
    ResultTextReader& reader;
    ExportFiles& file;
    const ExportRequest& request;
    const std::function<bool(qint64 rows)>& progress;
    ExportOutcome& outcome;
    int& line;
    QElapsedTimer sinceProgress{};

    // Reports the rows so far every ~30 ms; false when the caller asks to stop.
    bool reportProgress()
    {
        if (outcome.rows % ClockCheckRows != 0 || !sinceProgress.hasExpired(ProgressIntervalMs))
            return true;
        line = 138;
        sinceProgress.restart();
        return progress(outcome.rows);
    }

    // Writes every row with `writeRow`, counting them and reporting progress; false when
    // cancelled. Split into parts, `nextPart` ends a full part before the row that follows it.
    template <typename WriteRow, typename NextPart>
    bool eachRow(WriteRow writeRow, NextPart nextPart)
    {
        sinceProgress.start();
        for (;;) {
            line = 154;
            if (!reader.next())
                return true;
            if (request.splitRows > 0 && outcome.rows > 0 && outcome.rows % request.splitRows == 0 && file.split()) {
                line = 172;
                nextPart();
            }
            line = 146;
            writeRow();
            ++outcome.rows;
            if (!reportProgress())
                return false;
        }
    }

    // Notes whether an unquoted column name breaks the header line.
    void checkHeader(const LineWriter& writer)
    {
        if (request.format.quoting != Quoting::None)
            return;
        for (const QString& name : reader.columnNames()) {
            const StructureBreaks breaks = writer.breaks(name);
            outcome.headerBreaks |= breaks.separator || breaks.lineBreak;
        }
    }

    void count(const StructureBreaks& breaks)
    {
        outcome.valuesWithSeparator += breaks.separator;
        outcome.valuesWithLineBreak += breaks.lineBreak;
    }
};

// Whether a word holds a zero byte: exact, no false alarm when it holds none.
constexpr quint64 ZeroByteIn(quint64 word)
{
    constexpr quint64 Ones = 0x0101010101010101, Highs = 0x8080808080808080;
    return (word - Ones) & ~word & Highs;
}

// What a value's bytes hold that matters to the line: the separator, CR or LF, and a quote.
struct ByteFinds : StructureBreaks {
    bool quote = false;
};

// Searches a value's bytes (8-bit text: Windows-1252 or UTF-8) for the separator, CR and LF,
// and with Quotes for '"' too. Most values hold none of them nor the separator's first byte:
// sixteen or eight bytes at a time tell that, the last block overlapping the one before (a
// value of 4 to 7 bytes: two overlapping halves). With ReadPast the 16 bytes from the value's
// start may be read whatever its size (a row's reserved room): a short value is one block.
template <bool Quotes, bool ReadPast = false>
ByteFinds FindsIn(QByteArrayView value, QByteArrayView separator)
{
    const char first = separator.isEmpty() ? '\n' : separator.front();
    constexpr quint64 Ones = 0x0101010101010101;
    const quint64 cr = Ones * '\r', lf = Ones * '\n', sep = Ones * quint8(first), quote = Ones * '"';
    const auto hitsIn = [&](quint64 word) {
        quint64 hits = ZeroByteIn(word ^ cr) | ZeroByteIn(word ^ lf) | ZeroByteIn(word ^ sep);
        if constexpr (Quotes)
            hits |= ZeroByteIn(word ^ quote);
        return hits;
    };
    const char* bytes = value.data();
    const qsizetype size = value.size();
    quint64 hits = 0;
#ifdef __SSE2__
    const __m128i crs = _mm_set1_epi8('\r'), lfs = _mm_set1_epi8('\n'), seps = _mm_set1_epi8(first),
                  quotes = _mm_set1_epi8('"');
    const auto foundAt = [&](qsizetype at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        __m128i found = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, crs), _mm_cmpeq_epi8(block, lfs)),
                                     _mm_cmpeq_epi8(block, seps));
        if constexpr (Quotes)
            found = _mm_or_si128(found, _mm_cmpeq_epi8(block, quotes));
        return found;
    };
    const auto hitsAt = [&](qsizetype at) { return _mm_movemask_epi8(foundAt(at)); };
    if (ReadPast && size < 16) {
        hits = hitsAt(0) & ((1 << size) - 1);
    } else if (size >= 16) {
        // Long values 64 bytes a step: one test for four blocks.
        int found = 0;
        qsizetype i = 0;
        for (; i + 64 <= size && !found; i += 64)
            found = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(foundAt(i), foundAt(i + 16)),
                                                   _mm_or_si128(foundAt(i + 32), foundAt(i + 48))));
        for (; i + 16 <= size && !found; i += 16)
            found = hitsAt(i);
        hits = found | hitsAt(size - 16);
    } else
#endif
        if (size >= 8) {
        quint64 word;
        for (qsizetype i = 0; i + 8 <= size; i += 8) {
            std::memcpy(&word, bytes + i, 8);
            hits |= hitsIn(word);
        }
        std::memcpy(&word, bytes + size - 8, 8);
        hits |= hitsIn(word);
    } else if (size >= 4) {
        quint32 low, high;
        std::memcpy(&low, bytes, 4);
        std::memcpy(&high, bytes + size - 4, 4);
        hits = hitsIn(low | quint64(high) << 32);
    } else {
        for (qsizetype i = 0; i < size; ++i)
            hits |= bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == first || (Quotes && bytes[i] == '"');
    }
    ByteFinds found;
    if (!hits)
        return found;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = value[i];
        found.lineBreak |= c == '\r' || c == '\n';
        found.quote |= Quotes && c == '"';
        // A value that ends in the start of a longer separator breaks the line too: "x|" before
        // "||" reads as "x" and "|...".
        if (c == first && !separator.isEmpty()
            && (value.sliced(i).startsWith(separator) || separator.startsWith(value.sliced(i))))
            found.separator = true;
    }
    return found;
}

// Whether values written with these bytes can hold the separator or a line break (or, with
// `quotes`, a '"') at all: numbers, dates and the like are searched only when their
// characters could make one.
bool MayNeedSearch(QByteArrayView alphabet, QByteArrayView separator, bool quotes)
{
    if (alphabet.contains('\r') || alphabet.contains('\n') || (quotes && alphabet.contains('"')))
        return true;
    if (separator.isEmpty())
        return false;
    return std::all_of(separator.begin(), separator.end(), [&](char byte) { return alphabet.contains(byte); });
}

// Doubles every '"' of the bytes from `begin` to `end` and, with `enclose`, puts them in
// quotes: in place, from the back, so that no byte is overwritten before it has moved.
// `added` bytes of room follow `end`; returns the new end.
char* QuoteBackwards(char* begin, char* end, qsizetype added, bool enclose)
{
    char* to = end + added;
    if (enclose)
        *--to = '"';
    for (const char* from = end; from != begin;) {
        const char c = *--from;
        *--to = c;
        if (c == '"')
            *--to = '"';
    }
    if (enclose)
        *--to = '"';
    return end + added;
}

qsizetype QuotingAdds(QByteArrayView value, bool enclose)
{
    return value.count('"') + (enclose ? 2 : 0);
}

// Where a value's bytes start in the output, the bytes since, quoting them, and dropping them:
// in a FileBuffer (by offset: it may move) and in a row's reserved room (by pointer; the room
// holds a value quoted).
qsizetype Mark(FileBuffer& out) { return out.startValue(); }
QByteArrayView Since(const FileBuffer& out, qsizetype mark) { return out.bytes().sliced(mark); }
void DropFrom(FileBuffer& out, qsizetype mark) { out.truncate(mark); }
void QuoteFrom(FileBuffer& out, qsizetype mark, bool enclose)
{
    const qsizetype size = out.size() - mark;
    const qsizetype added = QuotingAdds(Since(out, mark), enclose);
    char* const end = out.room(added); // may move the storage
    out.setEnd(QuoteBackwards(end - size, end, added, enclose));
}
void AppendBytes(FileBuffer& out, QByteArrayView bytes)
{
    if (bytes.size() == 1)
        out.appendByte(bytes.front());
    else
        out.appendBytes(bytes);
}

char* Mark(const ReservedBytes& out) { return out.at; }
// Whether the bytes since the mark may hold what the search looks for: text narrowed in a
// FileBuffer was watched for it as it went.
bool MayHoldLineBytes(const FileBuffer& out, qsizetype mark) { return !out.cleanSince(mark); }
bool MayHoldLineBytes(const ReservedBytes&, const char*) { return true; }
QByteArrayView Since(const ReservedBytes& out, const char* mark) { return {mark, out.at - mark}; }
void DropFrom(ReservedBytes& out, char* mark) { out.at = mark; }
void QuoteFrom(ReservedBytes& out, char* mark, bool enclose)
{
    out.at = QuoteBackwards(mark, out.at, QuotingAdds(Since(out, mark), enclose), enclose);
}
void AppendBytes(ReservedBytes& out, QByteArrayView bytes)
{
    if (bytes.size() == 1)
        *out.at++ = bytes.front();
    else
        AppendAscii(out, std::string_view(bytes.data(), size_t(bytes.size())));
}

// Windows-1252 and UTF-8: the values go straight into the bytes of the file, where they are
// searched for what breaks a line (counted when unquoted) and quoted in place as the format
// says; the separator is encoded once. Rows of bound blocks are written into room reserved
// once for the row's most bytes; rows with long values, read in parts, append with a check
// for each piece. Returns false when cancelled.
template <Quoting Mode>
bool StreamBytes(Stream& s)
{
    const LineWriter writer(s.request.format, s.request.separator);
    const bool utf8 = s.request.format.encoding != FileEncoding::Windows1252;
    FileBuffer pending(WriteSize + (64 << 10), s.request.format.encoding);
    QByteArray separator;
    writer.encode(s.request.separator, separator);
    pending.watchLineBytes(separator.isEmpty() ? '\n' : separator.front(), Mode != Quoting::None);
    const auto flushFull = [&] {
        if (pending.size() >= WriteSize) {
            s.line = 172;
            s.file.write(pending.bytes());
            pending.clear();
        }
    };
    const int columns = s.reader.columnCount();
    std::vector<char> searched(size_t(columns), true);
    for (int column = 0; column < columns; ++column) {
        const QString characters = s.reader.characters(column);
        if (!characters.isNull()) {
            QByteArray alphabet;
            writer.encode(characters, alphabet);
            searched[size_t(column)] = MayNeedSearch(alphabet, separator, Mode != Quoting::None);
        }
    }
    // How every file (or part) starts: the encoding's mark and the header line.
    QByteArray start = writer.start();
    if (s.request.header) {
        s.line = 128;
        for (int column = 0; column < columns; ++column)
            writer.appendValue(s.reader.columnNames()[column], false, column == 0, start);
        s.checkHeader(writer);
        s.line = 134;
        start += LineEnd;
    }
    pending.appendBytes(start);
    flushFull();
    const auto nextPart = [&] {
        pending.appendBytes(LineEnd);
        s.file.write(pending.bytes());
        s.file.startNextPart();
        pending.clear();
        pending.appendBytes(start);
    };
    const auto writeRow = [&](auto& out) {
        constexpr bool ReadPast = std::is_same_v<decltype(out), ReservedBytes&>;
        // Locals, not the captures: the writers' calls would make the loop load them anew.
        ResultTextReader& reader = s.reader;
        const QByteArrayView separatorBytes = separator;
        const char* const searchedColumns = searched.data();
        const int count = columns;
        for (int column = 0; column < count; ++column) {
            if (column)
                AppendBytes(out, separatorBytes);
            if constexpr (Mode == Quoting::All)
                AppendBytes(out, "\"");
            const auto start = Mark(out);
            const bool present = reader.appendValue(column, out);
            const bool search = searchedColumns[column] && MayHoldLineBytes(out, start);
            if constexpr (Mode == Quoting::None) {
                if (search)
                    s.count(FindsIn<false, ReadPast>(Since(out, start), separatorBytes));
            } else if constexpr (Mode == Quoting::WhereNeeded) {
                if (search) {
                    const ByteFinds found = FindsIn<true, ReadPast>(Since(out, start), separatorBytes);
                    if (found.separator || found.lineBreak || found.quote)
                        QuoteFrom(out, start, true);
                }
            } else {
                if (!present) { // NULL is nothing, not ""
                    DropFrom(out, start - 1);
                    continue;
                }
                if (search && FindsIn<true, ReadPast>(Since(out, start), separatorBytes).quote)
                    QuoteFrom(out, start, false);
                AppendBytes(out, "\"");
            }
        }
        AppendBytes(out, LineEnd);
    };
    bool finished = false;
    if (s.reader.readsBlocks()) {
        // A value quoted takes at most twice its bytes and two quotes; the spare covers the
        // whole words and blocks that writers copy past a value's end.
        qsizetype rowMost = LineEnd.size() + 64;
        for (int column = 0; column < columns; ++column) {
            const qsizetype most = s.reader.mostBytes(column, utf8);
            rowMost += separator.size() + (Mode == Quoting::None ? most : 2 * most + 2);
        }
        finished = s.eachRow([&] {
            ReservedBytes out{pending.room(rowMost), utf8};
            writeRow(out);
            pending.setEnd(out.at);
            flushFull();
        }, nextPart);
    } else {
        finished = s.eachRow([&] {
            writeRow(pending);
            flushFull();
        }, nextPart);
    }
    if (!finished)
        return false;
    s.line = 172;
    pending.appendBytes(LineEnd);
    s.file.write(pending.bytes());
    return true;
}

// Whether a value's units hold CR, LF, the separator's first unit or, with Quotes, a '"': what
// any break of the line or any quoting needs.
template <bool Quotes>
bool MayBreakLine(QStringView value, char16_t first)
{
    return std::any_of(value.begin(), value.end(), [first](QChar c) {
        return c == u'\r' || c == u'\n' || c == first || (Quotes && c == u'"');
    });
}

// Doubles every '"' of the line from `start` on and, with `enclose`, puts that part in quotes.
void QuoteFrom(QString& line, qsizetype start, bool enclose)
{
    const QString value = line.sliced(start);
    line.truncate(start);
    if (enclose)
        line += u'"';
    for (const QChar c : value) {
        line += c;
        if (c == u'"')
            line += u'"';
    }
    if (enclose)
        line += u'"';
}

// UTF-16: each line as text, its values searched and quoted there as the format says (only
// where their characters can break the line or need quotes), then its units written
// little-endian.
template <Quoting Mode>
bool StreamUtf16(Stream& s)
{
    const LineWriter writer(s.request.format, s.request.separator);
    QByteArray pending;
    pending.reserve(WriteSize + (64 << 10));
    const auto flushFull = [&] {
        if (pending.size() >= WriteSize) {
            s.line = 172;
            s.file.write(pending);
            pending.clear();
        }
    };
    const int columns = s.reader.columnCount();
    // How every file (or part) starts: the byte order mark and the header line.
    QByteArray start = writer.start();
    const QString& separator = s.request.separator;
    const char16_t first = separator.isEmpty() ? u'\n' : separator.front().unicode();
    std::vector<char> searched(size_t(columns), true);
    for (int column = 0; column < columns; ++column) {
        const QString characters = s.reader.characters(column);
        if (!characters.isNull()) // in UTF-8 a character holds a byte only if it is that byte
            searched[size_t(column)] = MayNeedSearch(characters.toUtf8(), separator.toUtf8(), Mode != Quoting::None);
    }
    if (s.request.header) {
        s.line = 128;
        const QStringList& names = s.reader.columnNames();
        for (int column = 0; column < columns; ++column)
            writer.appendValue(names[column], false, column == 0, start);
        s.checkHeader(writer);
        s.line = 134;
        writer.endLine(start);
    }
    pending += start;
    const auto nextPart = [&] {
        writer.endLine(pending);
        s.file.write(pending);
        s.file.startNextPart();
        pending = start;
    };
    QString line;
    const bool finished = s.eachRow([&] {
        line.truncate(0); // keeps the storage, which clear() would free
        for (int column = 0; column < columns; ++column) {
            if (column) {
                if (separator.size() == 1)
                    line += separator.front();
                else
                    line += separator;
            }
            if constexpr (Mode == Quoting::All)
                line += u'"';
            const qsizetype start = line.size();
            const bool present = s.reader.appendValue(column, line);
            const bool search = searched[size_t(column)];
            const QStringView value = QStringView(line).sliced(start);
            if constexpr (Mode == Quoting::None) {
                if (search && MayBreakLine<false>(value, first))
                    s.count(writer.breaks(value));
            } else if constexpr (Mode == Quoting::WhereNeeded) {
                if (search && MayBreakLine<true>(value, first)) {
                    const StructureBreaks found = writer.breaks(value);
                    if (found.separator || found.lineBreak || value.contains(u'"'))
                        QuoteFrom(line, start, true);
                }
            } else {
                if (!present) { // NULL is nothing, not ""
                    line.truncate(start - 1);
                    continue;
                }
                if (search && value.contains(u'"'))
                    QuoteFrom(line, start, false);
                line += u'"';
            }
        }
        line += u"\r\n";
        const qsizetype at = pending.size();
        pending.resize(at + 2 * line.size());
        qToLittleEndian<char16_t>(line.utf16(), line.size(), pending.data() + at);
        flushFull();
    }, nextPart);
    if (!finished)
        return false;
    s.line = 172;
    writer.endLine(pending);
    s.file.write(pending);
    return true;
}

void ReportNoFile(ErrorTrap& trap)
{
    trap.step(172, [] { throw Failure(QStringLiteral("Bad file name or number: the output file is not open.")); });
}

// Returns false when cancelled.
bool StreamRows(Stream& s)
{
    const bool utf16 = s.request.format.encoding == FileEncoding::Utf16LeWithBom;
    switch (s.request.format.quoting) {
    case Quoting::WhereNeeded: return utf16 ? StreamUtf16<Quoting::WhereNeeded>(s) : StreamBytes<Quoting::WhereNeeded>(s);
    case Quoting::All: return utf16 ? StreamUtf16<Quoting::All>(s) : StreamBytes<Quoting::All>(s);
    case Quoting::None: break;
    }
    return utf16 ? StreamUtf16<Quoting::None>(s) : StreamBytes<Quoting::None>(s);
}

} // namespace

ExportOutcome RunExport(const ExportRequest& request, ErrorTrap& trap,
                        const std::function<bool(qint64 rows)>& progress)
{
    std::unique_ptr<odbc::Connection> connection;
    // A name that cannot work fails now, not after the login and the whole table.
    bool targetUsable = request.standardOutput;
    if (!targetUsable)
        trap.step(168, [&] { CheckOutputTarget(request.fileName); targetUsable = true; });
    if (!targetUsable) {
        ReportNoFile(trap);
        return {};
    }
    trap.step(106, [&] { connection = std::make_unique<odbc::Connection>(request.limits); });
    if (!connection)
        return {};
    // 108-112: the statement handle needs the open connection (118); forward-only is the default.
    bool opened = false;
    trap.step(114, [&] { connection->open(request.connectionString); opened = true; });
    if (!opened)
        return {};
    const ExportOutcome outcome = RunExportOn(*connection, request, trap, progress);
    if (!outcome.written)
        return outcome;
    trap.step(180, [&] { connection->close(); });
    trap.step(182, [&] { connection.reset(); });
    return outcome;
}

ExportOutcome RunExportOn(odbc::Connection& connection, const ExportRequest& request, ErrorTrap& trap,
                          const std::function<bool(qint64 rows)>& progress)
{
    ExportOutcome outcome;
    const ValueTextFormat format(RegionalSettings(), request.format.values,
                                 request.format.encoding == FileEncoding::Windows1252);
    std::unique_ptr<odbc::Statement> statement;
    std::unique_ptr<ResultTextReader> reader;
    std::unique_ptr<ExportFiles> file;
    QString sql;

    std::optional<RowRange> range;
    std::optional<RangeParameters> parameters;
    bool built = false;
    trap.step(116, [&] {
        if (request.beforeSelect)
            range = request.beforeSelect(connection);
        sql = ExportStatement(request.schema, request.table, request.columns);
        if (range) {
            sql += RangeClause(*range);
            parameters.emplace(*range);
        }
        built = true;
    });
    if (!built)
        return outcome;
    // The table's count says nothing of how many rows a range holds.
    if (request.rowEstimate)
        request.rowEstimate(range ? std::nullopt : EstimatedRowCount(connection, request.schema, request.table));
    trap.step(118, [&] {
        statement = std::make_unique<odbc::Statement>(connection);
        if (parameters)
            parameters->bind(*statement);
        statement->execute(sql);
        reader = std::make_unique<ResultTextReader>(*statement, format);
    });
    if (!reader)
        return outcome;
    trap.step(168, [&] {
        const Compression compression = request.compression.value_or(CompressionForName(request.fileName));
        const int level = request.compressionLevel.value_or(DefaultCompressionLevel(compression));
        file = std::make_unique<ExportFiles>(request.fileName, request.standardOutput, compression, level, request.splitRows > 0);
    });
    if (!file) {
        ReportNoFile(trap);
        return outcome;
    }

    // The hot loop runs outside the trap; a failure is handed to it afterwards with the
    // number of the line it arose in.
    int line = 120;
    try {
        Stream stream{*reader, *file, request, progress, outcome, line};
        const bool finished = StreamRows(stream);
        if (!finished) {
            outcome.cancelled = true;
            outcome.rows = 0;
            return outcome;
        }
        line = 174;
        file->commit();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        outcome.rows = 0;
        file.reset(); // the report must not wait with a temporary file on disk
        trap.step(line, [&] { std::rethrow_exception(failure); });
        return outcome;
    }
    outcome.written = true;
    outcome.bytes = file->bytes();
    outcome.parts = request.splitRows > 0 ? file->parts() : 0;

    trap.step(176, [&] { statement->close(); });
    trap.step(178, [&] { reader.reset(); statement.reset(); });
    return outcome;
}

} // namespace velloxa
