#pragma once

#include "export/LineWriter.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace velloxa {

// Before the export: what the given rows (the preview) would do to the file's structure in
// this format, in a sentence for the window; empty when nothing breaks (quoted values never
// do). `names` are the columns of the rows.
QString CollisionWarning(const LineWriter& writer, const QStringList& names, const QList<QStringList>& rows);

// After the export: the counts of a whole run, to follow the row count ("; 37 values hold
// the separator"); empty when there are none.
QString CollisionSummary(qint64 valuesWithSeparator, qint64 valuesWithLineBreak);

} // namespace velloxa
