#pragma once

#include <QDateTime>
#include <QString>

namespace velloxa {

// An output name for one table of one run: {schema} and {table} become the table's names,
// {date} the run's start as yyyy-MM-dd and {time} as HHmmss; any other text stays. A '/' or
// '\' inside a name becomes '_', so that a table's name never leads the file into another
// folder.
QString ExpandOutputName(const QString& pattern, const QString& schema, const QString& table, const QDateTime& start);

} // namespace velloxa
