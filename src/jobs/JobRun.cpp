#include "jobs/JobRun.h"

#include "connection/SqlIdentifier.h"
#include "connection/odbc/Statement.h"
#include "errors/Failure.h"
#include "export/OutputName.h"
#include "export/ReplacingFile.h"
#include "jobs/JobFile.h"

#include <memory>

namespace velloxa {

namespace {

bool Holds(const QStringList& names, const QString& name)
{
    return names.contains(name, Qt::CaseInsensitive); // the usual collations ignore case
}

// The table's columns as the server describes them, without reading a row.
QList<odbc::ColumnDescription> TableColumns(odbc::Connection& connection, const QString& schema, const QString& table)
{
    odbc::Statement query(connection);
    query.execute(QStringLiteral("SELECT TOP 0 * FROM ") + QualifiedTableName(schema, table));
    QList<odbc::ColumnDescription> columns;
    for (int column = 0; column < query.columnCount(); ++column)
        columns << query.describe(column);
    query.close();
    return columns;
}

} // namespace

QString ColumnsChangedText(const QStringList& missing)
{
    return QStringLiteral("The table's columns changed: %1 no longer %2.")
        .arg(missing.join(QStringLiteral(", ")), missing.size() == 1 ? QStringLiteral("exists") : QStringLiteral("exist"));
}

ExportRequest JobExportRequest(const Job& job, const QDateTime& start)
{
    ExportRequest request;
    request.schema = job.schema;
    request.table = job.table;
    request.columns = job.columns;
    request.separator = job.separator;
    request.header = job.header;
    request.fileName = ExpandOutputName(job.output, job.schema, job.table, start);
    request.format = job.format;
    request.compression = job.compression;
    request.compressionLevel = job.compressionLevel;
    request.splitRows = job.splitRows;
    return request;
}

JobOutcome RunJob(Job job, ExportRequest request, const QString& jobFile, ErrorTrap& trap,
                  const std::function<bool(qint64 rows)>& progress)
{
    JobOutcome outcome;
    const bool rising = !job.afterColumn.isEmpty();
    std::unique_ptr<ReplacingFile> mark;
    if (rising && !jobFile.isEmpty()) {
        // Proves the job file writable before anything is exported.
        trap.step(102, [&] { mark = std::make_unique<ReplacingFile>(jobFile); });
        if (!mark)
            return outcome;
    }
    QString upTo;
    request.beforeSelect = [&](odbc::Connection& connection) -> std::optional<RowRange> {
        const QList<odbc::ColumnDescription> columns = TableColumns(connection, job.schema, job.table);
        QStringList names;
        for (const odbc::ColumnDescription& column : columns)
            names << column.name;
        QStringList saved = job.columns;
        if (rising && !Holds(saved, job.afterColumn))
            saved << job.afterColumn;
        for (const QString& name : saved)
            if (!Holds(names, name))
                outcome.missingColumns << name;
        if (!job.columns.isEmpty())
            for (const QString& name : names)
                if (!Holds(job.columns, name) && name.compare(job.afterColumn, Qt::CaseInsensitive) != 0)
                    outcome.newColumns << name;
        if (!outcome.missingColumns.isEmpty())
            throw Failure(ColumnsChangedText(outcome.missingColumns) + QStringLiteral(" Nothing was exported."));
        if (!rising)
            return std::nullopt;
        const auto column = std::find_if(columns.cbegin(), columns.cend(), [&](const odbc::ColumnDescription& c) {
            return c.name.compare(job.afterColumn, Qt::CaseInsensitive) == 0;
        });
        const std::optional<RisingType> type = RisingTypeOf(*column);
        if (!type)
            throw Failure(QStringLiteral("The column %1 cannot tell new rows: it is not an integer, date/time or "
                                         "rowversion column.")
                              .arg(job.afterColumn));
        if (!job.lastValue.isEmpty())
            CheckRisingText(job.lastValue, type->kind);
        const std::optional<QString> highest = HighestValue(connection, job.schema, job.table, column->name, *type);
        // No value at all: the range is empty (rows whose value is NULL are never exported).
        upTo = highest.value_or(job.lastValue);
        return RowRange{column->name, *type, job.lastValue, upTo};
    };
    outcome.run = RunExport(request, trap, progress);
    if (!mark || !outcome.run.written || outcome.run.rows == 0)
        return outcome;
    job.lastValue = upTo;
    trap.step(184, [&] {
        mark->write(JobFileText(job));
        mark->commit();
        outcome.markMoved = true;
    });
    return outcome;
}

} // namespace velloxa
