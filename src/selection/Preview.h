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
    QList<QStringList> rows;    // at most 100; values as the export writes them, NULL a null string
    QList<QStringList> isoRows; // the same rows in the ISO 8601 forms (FileFormat.h)
    QList<QStringList> windows1252Rows; // the regional forms as a Windows-1252 file gets them
};

// Runs the preview statement on `connection`, reads it into memory and closes the
// statement at once, so the connection is free again; further readings give the ISO forms and
// the forms of a Windows-1252 file, where they differ from the regional ones. Throws Failure.
PreviewData ReadPreview(odbc::Connection& connection, const TableEntry& table);

} // namespace velloxa
