#pragma once

#include "connection/MSSQL.h"
#include "errors/MessageService.h"
#include "export/ExportRequest.h"
#include "export/ExportRun.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace velloxa {

struct TableExport {
    TableEntry table;
    QString fileName;
    ExportOutcome outcome;
    double seconds = 0;
};

struct TableSetOutcome {
    bool listed = false;       // connected, tables listed and their file names distinct
    QStringList unmatched;     // patterns that matched no table
    QList<TableExport> tables; // those started, in the order run
    bool cancelled = false;    // progress asked to stop; the files written before stay

    // Anything not as asked: no list, a pattern without a table, a table not written.
    bool failed() const;
};

// Exports every table or view that the Table chooser lists (the same catalogue and name
// filter) whose "schema.table" matches one of `patterns` (TablePattern.h), once each, in the
// catalogue's order, one after another on one connection. Each goes to request.fileName with
// {schema}, {table}, {date} and {time} expanded (OutputName.h), its missing folders created,
// and is written and put in place on its own as RunExport does it, with the request's other
// choices (request.schema, request.table and request.columns are not used). A table that
// fails is reported through `messages`, and the others go on. Two tables that would share a
// file are reported before anything is written, and nothing is.
TableSetOutcome RunTableSet(const ExportRequest& request, const QStringList& patterns, MessageService& messages,
                            const std::function<bool(qint64 rows)>& progress);

// One line per table (rows, bytes, seconds, or that it failed), then the totals; nothing
// when no table was started for want of a list.
QStringList TableSetSummary(const TableSetOutcome& outcome);

} // namespace velloxa
