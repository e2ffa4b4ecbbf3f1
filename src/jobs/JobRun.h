#pragma once

#include "errors/ErrorTrap.h"
#include "export/ExportRun.h"
#include "jobs/Job.h"

#include <QDateTime>
#include <QStringList>

namespace velloxa {

// The export a job asks for but its connection string (the caller adds the password), its
// output name expanded for a run that starts at `start` (a job of several tables expands it
// per table: RunTableSet).
ExportRequest JobExportRequest(const Job& job, const QDateTime& start);

// "The table's columns changed: A, B no longer exist." for saved columns the table lacks.
QString ColumnsChangedText(const QStringList& missing);

struct JobOutcome {
    ExportOutcome run;
    QStringList missingColumns; // saved columns the table no longer has: nothing was exported
    QStringList newColumns;     // columns the table has beyond the saved ones (not exported)
    bool markMoved = false;     // the job file holds the new highest value
};

// Runs a job's export with two checks on the export's own connection, before the output file
// is touched: every saved column (and the rising column) must still exist; and with a rising
// column only the rows after the job's last value are exported, in its order, up to the
// highest value at the start of the run. That value becomes the job's last value in
// `jobFile` (empty: nowhere), written atomically once the output file is in place; a job file
// that cannot be written fails the run before anything is exported. A run killed between the
// two renames exports its rows once more next time: at least once, never lost.
// Its own failures go to the trap as line 102 (the job file cannot be written) and 184 (the
// new value cannot be stored); the export's as RunExport numbers them.
JobOutcome RunJob(Job job, ExportRequest request, const QString& jobFile, ErrorTrap& trap,
                  const std::function<bool(qint64 rows)>& progress);

} // namespace velloxa
