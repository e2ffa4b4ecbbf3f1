#pragma once

#include <QDateTime>
#include <QString>

namespace velloxa {

// The output name of a run: {date} (yyyy-MM-dd), {time} (HHmmss), {schema} and {table} take
// the run's start and its table; anything else, other braces included, stays as written. The
// table's names may not add folders: '/' and '\' in them become '_'.
QString ExpandOutputName(const QString& pattern, const QString& schema, const QString& table, const QDateTime& start);

} // namespace velloxa
