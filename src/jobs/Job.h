#pragma once

#include "connection/LoginValues.h"
#include "export/FileFormat.h"

#include <QString>
#include <QStringList>

namespace velloxa {

// Everything a repeatable export needs but the password, as a job file holds it.
struct Job {
    LoginValues login; // its password stays empty: a job never holds one
    QString schema, table;
    QStringList columns; // in output order; empty: all, in table order
    QString output;      // may hold {date} {time} {schema} {table}
    QString separator = QStringLiteral(",");
    bool header = true;
    FileFormat format;
    // Only new rows: the rising column, and the highest value the last run wrote in its text
    // form (RisingValue.h); empty before the first run.
    QString afterColumn;
    QString lastValue;
};

} // namespace velloxa
