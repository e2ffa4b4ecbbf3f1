#include "export/RowCountEstimate.h"

#include "connection/SqlIdentifier.h"
#include "connection/odbc/Statement.h"

namespace velloxa {

namespace {

// N'text' with every quote doubled, so that any text stays one string literal.
QString NationalLiteral(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1String("N'") + doubled + QLatin1Char('\'');
}

// Index 0 is the heap, 1 the clustered index: each holds every row once. Nonclustered
// indexes (2 and up) hold the rows again and would count them twice. OBJECT_ID parses the
// bracketed name, so "]" and "." inside a name stay part of it.
QString EstimateStatement(const QString& schema, const QString& table)
{
    return QLatin1String("SELECT SUM(p.rows) FROM sys.partitions AS p WHERE p.object_id = OBJECT_ID(")
        + NationalLiteral(QualifiedTableName(schema, table)) + QLatin1String(") AND p.index_id IN (0, 1)");
}

} // namespace

std::optional<qint64> EstimatedRowCount(odbc::Connection& connection, const QString& schema, const QString& table)
{
    try {
        odbc::Statement query(connection);
        query.execute(EstimateStatement(schema, table));
        SQLBIGINT rows = 0;
        SQLLEN indicator = SQL_NULL_DATA;
        if (query.fetch() > 0)
            query.getData(0, SQL_C_SBIGINT, &rows, sizeof rows, &indicator);
        query.close();
        // NULL: no partitions, so a view or no such table. A negative count is no count.
        if (indicator == SQL_NULL_DATA || rows < 0)
            return std::nullopt;
        return qint64(rows);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace velloxa
