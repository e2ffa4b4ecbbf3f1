#pragma once

#include "export/LineWriter.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace velloxa {

// Before the export: what the given rows (the preview) would do to the file's structure in
// this format, in a sentence for the window; empty when nothing breaks (quoted values never
// do). `names` are the columns of the rows; with `header` they are the header line's too.
QString CollisionWarning(const LineWriter& writer, const QStringList& names, bool header, const QList<QStringList>& rows);

// After the export: what broke in a whole run, to follow the row count ("; 37 values hold
// the separator"); empty when nothing did.
QString CollisionSummary(qint64 valuesWithSeparator, qint64 valuesWithLineBreak, bool headerBreaks);

} // namespace velloxa
