#pragma once

#include "errors/ErrorTrap.h"
#include "export/ExportRequest.h"

#include <QtGlobal>

#include <functional>

namespace velloxa {

namespace odbc {
class Connection;
}

struct ExportOutcome {
    bool written = false;   // the output file now holds the complete export
    qint64 rows = 0;        // data lines written
    bool cancelled = false; // progress asked to stop; nothing was written
    // Values that break their line's structure, unquoted (counted when the quoting is None).
    qint64 valuesWithSeparator = 0;
    qint64 valuesWithLineBreak = 0;
    bool headerBreaks = false; // a column name breaks the header line, unquoted
    qint64 bytes = 0;          // in the file or its parts (compressed, where they are)
    int parts = 0;             // split: the parts written; 0: one file
};

// Writes every row of the request's table, restricted to its columns, to its file.
//
// File bytes: optionally a header line (the column names as the server reports them,
// joined by the separator), then one line per row in the server's order, the values
// joined by the separator (which may be empty or several characters long) with nothing
// before the first or after the last; CR LF after every line and one more CR LF at the end
// (no header and no rows: exactly "\r\n"). In the classic format (the default) values are
// raw: no quoting, escaping or trimming (see ValueText.h for the text of each value), and the
// text is 8-bit without a BOM: Windows-1252 on Linux, the ANSI code page on Windows;
// characters outside it become '?'. The request's FileFormat may ask for quoting and for a
// Unicode encoding instead (LineWriter.h).
//
// The rows are streamed into a temporary file beside the output file, which replaces the
// output file only once the last row is written (keeping its permission bits), so memory
// stays flat and an existing output file is never left damaged: after any failure or a
// cancel it is untouched and the temporary file is gone. An existing output file that is
// not writable is refused, not replaced.
//
// progress: called at most every ~30 ms with the rows written so far (the GUI yields
// there); returning false cancels the run.
//
// Failures are Failure exceptions inside `trap` steps, reported with these numbers (the
// lines of the Finish handler; the window owns 100-104 and 192-194):
//   106 create the export connection       108 create the export statement
//   110 empty the line buffer              112 keep the cursor forward-only
//   114 open the connection                116 build the SELECT statement
//   118 open the statement                 120 if the header is wanted
//   122   start the header line            124   for each column
//   126     yield                          128     append its name and the separator
//   130   next column                      132   drop the last separator
//   134   add the header line              136 for each row
//   138   yield                            140   start the line
//   142   for each column                  144     yield
//   146     append the value's text and the separator
//   148   next column                      150   drop the last separator
//   152   add the line                     154   move to the next row
//   156 next row                           158 start the output text
//   160 for each line                      162   yield
//   164   append it and CR LF              166 next line
//   168 open the output file               170 yield
//   172 write the text and the final CR LF 174 close the output file
//   176 close the statement                178 release the statement
//   180 close the connection               182 release the connection
//   (184-190 unused)
// Where they fail in this streaming run: 106 handles refused; 114 connection; 116 the
// request's beforeSelect refused the run; 118 statement
// (a missing table or column, a bad name); 168 the output file cannot be opened (missing
// folder, invalid name, read-only target), followed by 172 for the write that cannot
// happen; 146 a value cannot be read; 154 the fetch of the next rows (connection lost);
// 172 a write (disk full); 174 replacing the output file; 176/180 closing after the file
// is written. The output name is checked first (OutputTarget.h): a name that cannot work
// fails at 168 and 172 before the connection is opened. A failure at 114, 116 or 118 ends the
// run before any file is touched; any failure from 146 on ends it with the output file untouched
// (a target that is written into directly, such as a FIFO, keeps what was sent).
//
// A name ending in ".gz" or ".zst" (or the request's compression) gives the same bytes in one
// gzip or zstd stream; with splitRows the rows go into numbered parts of that many rows, each
// a whole file of its own (the start of the file and the header, the final CR LF), all put in
// place together at the end (ExportFiles.h).
ExportOutcome RunExport(const ExportRequest& request, ErrorTrap& trap,
                        const std::function<bool(qint64 rows)>& progress);

// The same on a connection that is open already (114 is the caller's), which stays open.
ExportOutcome RunExportOn(odbc::Connection& connection, const ExportRequest& request, ErrorTrap& trap,
                          const std::function<bool(qint64 rows)>& progress);

} // namespace velloxa
