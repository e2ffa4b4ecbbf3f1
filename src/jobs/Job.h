#pragma once

#include "connection/LoginValues.h"
#include "export/Compression.h"
#include "export/FileFormat.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velloxa {

// Everything a repeatable export needs but the password, as a job file holds it.
struct Job {
    LoginValues login; // its password stays empty: a job never holds one
    QString schema, table;
    QStringList tables;  // patterns of several tables (TablePattern.h) instead of schema and table
    QStringList columns; // in output order; empty: all, in table order
    QString output;      // may hold {date} {time} {schema} {table}
    QString separator = QStringLiteral(",");
    bool header = true;
    FileFormat format;
    std::optional<Compression> compression; // empty: the output name decides
    std::optional<int> compressionLevel;    // empty: the codec's default
    qint64 splitRows = 0;                   // rows per part; 0: one file
    // Only new rows: the rising column, and the highest value the last run wrote in its text
    // form (RisingValue.h); empty before the first run.
    QString afterColumn;
    QString lastValue;
};

} // namespace velloxa
