#pragma once

#include "connection/MSSQL.h"
#include "connection/odbc/Connection.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace velloxa {

// "SELECT TOP 100 * FROM [schema].[name];" with every ']' in a name doubled.
QString PreviewStatement(const TableEntry& table);

struct PreviewData {
    QStringList columns;        // as the server reports them, in table order
    QList<QStringList> rows;    // at most 100; values as the export writes them, NULL empty
};

// Runs the preview statement on `connection`, reads it into memory and closes the
// statement at once, so the connection is free again. Throws Failure.
PreviewData ReadPreview(odbc::Connection& connection, const TableEntry& table);

} // namespace velloxa
