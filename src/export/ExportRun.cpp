#include "export/ExportRun.h"

#include "connection/odbc/Connection.h"
#include "connection/odbc/Statement.h"
#include "errors/Failure.h"
#include "export/AnsiBuffer.h"
#include "export/AnsiText.h"
#include "export/ExportStatement.h"
#include "export/ReplacingFile.h"
#include "export/ResultTextReader.h"
#include "export/ValueText.h"

#include <QElapsedTimer>

#include <exception>
#include <memory>

namespace velloxa {

namespace {

constexpr qint64 ProgressIntervalMs = 30;
// Reading the clock for every row costs more than the rows themselves on a fast server.
constexpr qint64 ClockCheckRows = 32;
constexpr qsizetype WriteSize = 256 << 10;
constexpr QByteArrayView LineEnd("\r\n");

} // namespace

ExportOutcome RunExport(const ExportRequest& request, ErrorTrap& trap,
                        const std::function<bool(qint64 rows)>& progress)
{
    ExportOutcome outcome;
    const ValueTextFormat format(QLocale::system());
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
        // The values go straight into the bytes of the file; the separator is encoded once.
        AnsiBuffer pending(WriteSize + (64 << 10));
        QByteArray separator;
        AppendAnsiText(request.separator, separator);
        const auto endLine = [&] {
            pending.appendBytes(LineEnd);
            if (pending.size() >= WriteSize) {
                line = 172;
                file->write(pending.bytes());
                pending.clear();
            }
        };
        const int columns = reader->columnCount();
        if (request.header) {
            line = 128;
            pending.appendText(reader->columnNames().join(request.separator));
            line = 134;
            endLine();
        }
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        for (;;) {
            line = 154;
            if (!reader->next())
                break;
            line = 146;
            for (int column = 0; column < columns; ++column) {
                if (column)
                    pending.appendBytes(separator);
                reader->appendValue(column, pending);
            }
            endLine();
            ++outcome.rows;
            if (outcome.rows % ClockCheckRows == 0 && sinceProgress.hasExpired(ProgressIntervalMs)) {
                line = 138;
                if (!progress(outcome.rows)) {
                    outcome.cancelled = true;
                    outcome.rows = 0;
                    return outcome;
                }
                sinceProgress.restart();
            }
        }
        line = 172;
        pending.appendBytes(LineEnd);
        file->write(pending.bytes());
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
