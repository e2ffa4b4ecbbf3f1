#include "selection/Preview.h"

#include "connection/SqlIdentifier.h"
#include "connection/odbc/Statement.h"
#include "export/RegionalSettings.h"
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

namespace {

QList<QStringList> ReadRows(odbc::Connection& connection, const TableEntry& table, ValueForms forms,
                            bool windows1252, QStringList& columns)
{
    const ValueTextFormat format(RegionalSettings(), forms, windows1252);
    odbc::Statement statement(connection);
    statement.execute(PreviewStatement(table));
    ResultTextReader reader(statement, format, PreviewRows);
    columns = reader.columnNames();
    QList<QStringList> rows;
    while (rows.size() < PreviewRows && reader.next()) {
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
        rows << row;
    }
    statement.close();
    return rows;
}

} // namespace

PreviewData ReadPreview(odbc::Connection& connection, const TableEntry& table)
{
    PreviewData preview;
    const QLocale locale = RegionalSettings();
    preview.rows = ReadRows(connection, table, ValueForms::Regional, false, preview.columns);
    // Under the C locale the regional forms are the ISO ones already.
    preview.isoRows = locale.language() == QLocale::C
        ? preview.rows
        : ReadRows(connection, table, ValueForms::Iso, false, preview.columns);
    preview.windows1252Rows = ValueTextFormat::differsInWindows1252(locale)
        ? ReadRows(connection, table, ValueForms::Regional, true, preview.columns)
        : preview.rows;
    return preview;
}

} // namespace velloxa
