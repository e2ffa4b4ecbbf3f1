#include "selection/Preview.h"

#include "connection/SqlIdentifier.h"
#include "connection/odbc/Statement.h"
#include "export/ResultTextReader.h"
#include "export/ValueText.h"

namespace velloxa {

namespace {
constexpr int PreviewRows = 100;
}

QString PreviewStatement(const TableEntry& table)
{
    return QStringLiteral("SELECT TOP %1 * FROM ").arg(PreviewRows)
        + QualifiedTableName(table.schema, table.name) + QLatin1Char(';');
}

PreviewData ReadPreview(odbc::Connection& connection, const TableEntry& table)
{
    const ValueTextFormat format(QLocale::system());
    odbc::Statement statement(connection);
    statement.execute(PreviewStatement(table));
    ResultTextReader reader(statement, format, PreviewRows);
    PreviewData preview;
    preview.columns = reader.columnNames();
    while (preview.rows.size() < PreviewRows && reader.next()) {
        QStringList row;
        row.reserve(reader.columnCount());
        for (int column = 0; column < reader.columnCount(); ++column) {
            QString value;
            // NULL stays a null string, an empty value an empty one: quoting tells them apart.
            if (!reader.appendValue(column, value))
                value = QString();
            else if (value.isNull())
                value = QLatin1String("");
            row << value;
        }
        preview.rows << row;
    }
    statement.close();
    return preview;
}

} // namespace velloxa
