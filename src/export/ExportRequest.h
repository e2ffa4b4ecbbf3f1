#pragma once

#include "connection/odbc/ConnectionLimits.h"
#include "export/Compression.h"
#include "export/FileFormat.h"
#include "export/RowRange.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace velloxa {

struct ExportRequest {
    QString connectionString;
    QString schema;       // empty: the table is named unqualified
    QString table;
    QStringList columns;  // plain names in output order; empty = all, in table order
    QString separator;
    bool header = true;
    QString fileName;
    bool standardOutput = false; // write to standard output instead of fileName
    FileFormat format;
    std::optional<Compression> compression; // empty: the file name decides (Compression.h)
    std::optional<int> compressionLevel;    // empty: the codec's default
    qint64 splitRows = 0;                   // rows per part (ExportFiles.h); 0: one file
    odbc::ConnectionLimits limits;
    // When set, the run first asks the server how many rows the table holds (without reading
    // it) and passes the answer on, empty when there is none or the run takes a range of rows
    // (RowCountEstimate.h).
    std::function<void(std::optional<qint64> rows)> rowEstimate;
    // When set, runs on the export's connection before the statement: it may refuse the run by
    // throwing Failure (the output file is not touched) or narrow it to a range of rows.
    std::function<std::optional<RowRange>(odbc::Connection& connection)> beforeSelect;
};

} // namespace velloxa
