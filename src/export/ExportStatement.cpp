#include "export/ExportStatement.h"

#include "connection/SqlIdentifier.h"
#include "selection/SelectedColumnList.h"

namespace velloxa {

QString ExportStatement(const QString& schema, const QString& table, const QStringList& columns)
{
    const QString list = columns.isEmpty() ? QStringLiteral("*") : BuildSelectedColumnList(columns);
    return QLatin1String("SELECT ") + list + QLatin1String(" FROM ") + QualifiedTableName(schema, table);
}

} // namespace velloxa
