#pragma once

#include "jobs/Job.h"

#include <QString>

namespace velloxa {

// Job files (.velloxa): INI-like text a person can edit. "[section]" lines, "key = value"
// lines, '#' or ';' comment lines, blank lines. A value is written as it is, or in double
// quotes with \" \\ \t \r \n \xHH escapes when it has to keep blanks at its ends, control
// characters or a leading quote ("" is the empty text). Keys (see the table in JobFile.cpp):
//   [login]  server, port, local, database, user      (never a password)
//   [export] schema, table, tables (once per pattern, instead of schema and table), column
//            (once per column, in output order), output, compress, compress-level,
//            split-rows, separator, header, quoting, encoding, formats
//   [rows]   after-column, last-value                 (last-value is written by the runs)
// Yes/no values: yes/no (true/false, 1/0 are read too).

// Reads a job file. Throws Failure naming the file and, for a damaged file, the line: an
// unknown section or key (by its name), a key given twice, a value that cannot be read.
Job ReadJobFile(const QString& fileName);

// The file's text for a job.
QByteArray JobFileText(const Job& job);

// Writes the job to the file atomically (the old file stays whole until the new is in place).
// Throws Failure.
void WriteJobFile(const QString& fileName, const Job& job);

} // namespace velloxa
