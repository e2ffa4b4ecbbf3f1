#pragma once

#include <QString>
#include <QStringList>

namespace velloxa {

// "SELECT [a], [b] FROM [schema].[table]" (or "SELECT * ..." when no column is named),
// every ']' in a name doubled.
QString ExportStatement(const QString& schema, const QString& table, const QStringList& columns);

} // namespace velloxa
