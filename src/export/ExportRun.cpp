#include "export/ExportRun.h"

#include "connection/odbc/Connection.h"
#include "connection/odbc/Statement.h"
#include "errors/Failure.h"
#include "export/AnsiBuffer.h"
#include "export/AnsiText.h"
#include "export/ExportStatement.h"
#include "export/LineWriter.h"
#include "export/ReplacingFile.h"
#include "export/ResultTextReader.h"
#include "export/RowCountEstimate.h"
#include "export/ValueText.h"

#include <QElapsedTimer>

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <cstring>
#include <exception>
#include <memory>
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
    ReplacingFile& file;
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
    // cancelled.
    template <typename WriteRow>
    bool eachRow(WriteRow writeRow)
    {
        sinceProgress.start();
        for (;;) {
            line = 154;
            if (!reader.next())
                return true;
            line = 146;
            writeRow();
            ++outcome.rows;
            if (!reportProgress())
                return false;
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

// What a value's bytes hold (8-bit text: the separator's bytes, CR, LF). Most values hold
// none of CR, LF and the separator's first byte: eight bytes at a time tell that, the last
// eight overlapping the ones before (a value of 4 to 7 bytes: two overlapping halves).
StructureBreaks BreaksIn(QByteArrayView value, QByteArrayView separator)
{
    const char first = separator.isEmpty() ? '\n' : separator.front();
    constexpr quint64 Ones = 0x0101010101010101;
    const quint64 cr = Ones * '\r', lf = Ones * '\n', sep = Ones * quint8(first);
    const auto hitsIn = [&](quint64 word) { return ZeroByteIn(word ^ cr) | ZeroByteIn(word ^ lf) | ZeroByteIn(word ^ sep); };
    const char* bytes = value.data();
    const qsizetype size = value.size();
    quint64 hits = 0;
#ifdef __SSE2__
    if (size >= 16) {
        // Long text: sixteen bytes at a time.
        const __m128i crs = _mm_set1_epi8('\r'), lfs = _mm_set1_epi8('\n'), seps = _mm_set1_epi8(first);
        const auto hitsAt = [&](qsizetype at) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
            return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, crs), _mm_cmpeq_epi8(block, lfs)),
                                                  _mm_cmpeq_epi8(block, seps)));
        };
        int found = 0;
        for (qsizetype i = 0; i + 16 <= size && !found; i += 16)
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
            hits |= bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == first;
    }
    StructureBreaks found;
    if (!hits)
        return found;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = value[i];
        found.lineBreak |= c == '\r' || c == '\n';
        if (c == first && !separator.isEmpty() && value.sliced(i).startsWith(separator))
            found.separator = true;
    }
    return found;
}

// Whether values written with these bytes can hold the separator or a line break at all:
// numbers, dates and the like are searched only when their characters could make either.
bool MayBreak(QByteArrayView alphabet, QByteArrayView separator)
{
    if (alphabet.contains('\r') || alphabet.contains('\n'))
        return true;
    if (separator.isEmpty())
        return false;
    return std::all_of(separator.begin(), separator.end(), [&](char byte) { return alphabet.contains(byte); });
}

// The classic format (raw values, Windows-1252): the values go straight into the bytes of
// the file and the separator is encoded once. Returns false when cancelled.
bool StreamClassic(Stream& s)
{
    AnsiBuffer pending(WriteSize + (64 << 10));
    QByteArray separator;
    AppendAnsiText(s.request.separator, separator);
    const auto endLine = [&] {
        pending.appendBytes(LineEnd);
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
            AppendAnsiText(characters, alphabet);
            searched[size_t(column)] = MayBreak(alphabet, separator);
        }
    }
    if (s.request.header) {
        s.line = 128;
        pending.appendText(s.reader.columnNames().join(s.request.separator));
        s.line = 134;
        endLine();
    }
    const bool finished = s.eachRow([&] {
        for (int column = 0; column < columns; ++column) {
            if (column) {
                if (separator.size() == 1)
                    pending.appendByte(separator.front());
                else
                    pending.appendBytes(separator);
            }
            const qsizetype start = pending.size();
            s.reader.appendValue(column, pending);
            if (searched[size_t(column)])
                s.count(BreaksIn(pending.bytes().sliced(start), separator));
        }
        endLine();
    });
    if (!finished)
        return false;
    s.line = 172;
    pending.appendBytes(LineEnd);
    s.file.write(pending.bytes());
    return true;
}

// Any other format: each value as text, then quoted and encoded by the LineWriter.
bool StreamFormatted(Stream& s)
{
    const LineWriter writer(s.request.format, s.request.separator);
    QByteArray pending = writer.start();
    pending.reserve(WriteSize + (64 << 10));
    const auto endLine = [&] {
        writer.endLine(pending);
        if (pending.size() >= WriteSize) {
            s.line = 172;
            s.file.write(pending);
            pending.clear();
        }
    };
    const int columns = s.reader.columnCount();
    if (s.request.header) {
        s.line = 128;
        const QStringList& names = s.reader.columnNames();
        for (int column = 0; column < columns; ++column)
            writer.appendValue(names[column], false, column == 0, pending);
        s.line = 134;
        endLine();
    }
    const bool counting = s.request.format.quoting == Quoting::None;
    QString value;
    const bool finished = s.eachRow([&] {
        for (int column = 0; column < columns; ++column) {
            value.clear();
            const bool present = s.reader.appendValue(column, value);
            if (counting)
                s.count(writer.breaks(value));
            writer.appendValue(value, !present, column == 0, pending);
        }
        endLine();
    });
    if (!finished)
        return false;
    s.line = 172;
    writer.endLine(pending);
    s.file.write(pending);
    return true;
}

} // namespace

ExportOutcome RunExport(const ExportRequest& request, ErrorTrap& trap,
                        const std::function<bool(qint64 rows)>& progress)
{
    ExportOutcome outcome;
    const ValueTextFormat format(QLocale::system(), request.format.values,
                                 request.format.encoding == FileEncoding::Windows1252);
    std::unique_ptr<odbc::Connection> connection;
    std::unique_ptr<odbc::Statement> statement;
    std::unique_ptr<ResultTextReader> reader;
    std::unique_ptr<ReplacingFile> file;
    QString sql;

    trap.step(106, [&] { connection = std::make_unique<odbc::Connection>(request.limits); });
    if (!connection)
        return outcome;
    // 108-112: the statement handle needs the open connection (118); forward-only is the default.
    bool opened = false;
    trap.step(114, [&] { connection->open(request.connectionString); opened = true; });
    if (!opened)
        return outcome;
    if (request.rowEstimate)
        request.rowEstimate(EstimatedRowCount(*connection, request.schema, request.table));
    trap.step(116, [&] { sql = ExportStatement(request.schema, request.table, request.columns); });
    trap.step(118, [&] {
        statement = std::make_unique<odbc::Statement>(*connection);
        statement->execute(sql);
        reader = std::make_unique<ResultTextReader>(*statement, format);
    });
    if (!reader)
        return outcome;
    trap.step(168, [&] { file = std::make_unique<ReplacingFile>(request.fileName); });
    if (!file) {
        trap.step(172, [] { throw Failure(QStringLiteral("Bad file name or number: the output file is not open.")); });
        return outcome;
    }

    // The hot loop runs outside the trap; a failure is handed to it afterwards with the
    // number of the line it arose in.
    int line = 120;
    try {
        Stream stream{*reader, *file, request, progress, outcome, line};
        const bool finished = request.format.isClassic() ? StreamClassic(stream) : StreamFormatted(stream);
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

    trap.step(176, [&] { statement->close(); });
    trap.step(178, [&] { reader.reset(); statement.reset(); });
    trap.step(180, [&] { connection->close(); });
    trap.step(182, [&] { connection.reset(); });
    return outcome;
}

} // namespace velloxa
