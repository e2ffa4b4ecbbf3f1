#pragma once

#include "connection/odbc/ConnectionLimits.h"
#include "export/FileFormat.h"

#include <QString>
#include <QStringList>

namespace velloxa {

struct ExportRequest {
    QString connectionString;
    QString schema;       // empty: the table is named unqualified
    QString table;
    QStringList columns;  // plain names in output order; empty = all, in table order
    QString separator;
    bool header = true;
    QString fileName;
    FileFormat format;
    odbc::ConnectionLimits limits;
};

} // namespace velloxa
