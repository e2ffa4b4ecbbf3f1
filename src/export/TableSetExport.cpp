#include "export/TableSetExport.h"

#include "connection/odbc/Connection.h"
#include "errors/ErrorTrap.h"
#include "errors/Failure.h"
#include "export/OutputName.h"
#include "export/TablePattern.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <algorithm>

namespace velloxa {

namespace {

const QString Program = QStringLiteral("velloxa-export");

QString QualifiedName(const TableEntry& table)
{
    return table.schema + QLatin1Char('.') + table.name;
}

// What the catalogue lists, in its order.
struct ListedTables : TableList {
    void clear(const QString&) override { all.clear(); }
    void append(const TableEntry& entry) override { all << entry; }
    QList<TableEntry> all;
};

// The listed tables that the patterns ask for, each once, in the catalogue's order; the
// patterns that ask for none.
QList<TableEntry> Matching(const QList<TableEntry>& listed, const QStringList& patterns, QStringList& unmatched)
{
    QList<bool> used(patterns.size(), false);
    QList<TableEntry> chosen;
    for (const TableEntry& table : listed) {
        bool wanted = false;
        for (qsizetype i = 0; i < patterns.size(); ++i) {
            if (MatchesTablePattern(patterns[i], QualifiedName(table)))
                wanted = used[i] = true;
        }
        if (wanted)
            chosen << table;
    }
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (!used[i])
            unmatched << patterns[i];
    }
    return chosen;
}

} // namespace

bool TableSetOutcome::failed() const
{
    return !listed || !unmatched.isEmpty()
        || std::any_of(tables.begin(), tables.end(), [](const TableExport& table) { return !table.outcome.written; });
}

TableSetOutcome RunTableSet(const ExportRequest& request, const QStringList& patterns, MessageService& messages,
                            const std::function<bool(qint64 rows)>& progress)
{
    TableSetOutcome outcome;
    const QDateTime start = QDateTime::currentDateTime();
    ErrorTrap trap(messages, Program, QStringLiteral("export"));
    std::unique_ptr<odbc::Connection> connection;
    ListedTables listed;
    trap.step(114, [&] {
        connection = std::make_unique<odbc::Connection>(request.limits);
        connection->open(request.connectionString);
        ListTables(*connection, listed, [] {});
    });
    if (trap.reportCount() > 0)
        return outcome;

    const QList<TableEntry> tables = Matching(listed.all, patterns, outcome.unmatched);
    for (const QString& pattern : outcome.unmatched)
        messages.inform(Program, QStringLiteral("no table or view matches %1").arg(pattern));
    QHash<QString, TableEntry> owners; // by file
    QList<TableExport> planned;
    for (const TableEntry& table : tables) {
        const QString fileName = ExpandOutputName(request.fileName, table.schema, table.name, start);
        const QString key = QFileInfo(fileName).absoluteFilePath();
        if (owners.contains(key)) {
            trap.step(116, [&] {
                throw Failure(QStringLiteral("%1 and %2 would both be written to %3; nothing was exported (name the files with {schema} and {table}).")
                                  .arg(QualifiedName(owners[key]), QualifiedName(table), QDir::toNativeSeparators(fileName)));
            });
            return outcome;
        }
        owners.insert(key, table);
        planned << TableExport{table, fileName, {}, 0};
    }
    outcome.listed = true;

    for (TableExport& run : planned) {
        QElapsedTimer clock;
        clock.start();
        ExportRequest one = request;
        one.schema = run.table.schema;
        one.table = run.table.name;
        one.columns.clear();
        one.fileName = run.fileName;
        QDir().mkpath(QFileInfo(run.fileName).absolutePath());
        ErrorTrap tableTrap(messages, Program, QStringLiteral("export of ") + QualifiedName(run.table));
        run.outcome = RunExportOn(*connection, one, tableTrap, progress);
        run.seconds = clock.elapsed() / 1000.0;
        outcome.tables << run;
        if (run.outcome.cancelled) {
            outcome.cancelled = true;
            break;
        }
    }
    trap.step(180, [&] { connection->close(); });
    return outcome;
}

QStringList TableSetSummary(const TableSetOutcome& outcome)
{
    const QLocale c = QLocale::c();
    QStringList lines;
    if (!outcome.listed)
        return lines;
    qint64 rows = 0, bytes = 0;
    double seconds = 0;
    int written = 0;
    for (const TableExport& table : outcome.tables) {
        const QString name = QualifiedName(table.table);
        const QString time = QString::number(table.seconds, 'f', 2) + QStringLiteral(" s");
        if (!table.outcome.written) {
            lines << QStringLiteral("%1: %2 after %3").arg(name, table.outcome.cancelled ? QStringLiteral("stopped") : QStringLiteral("failed"), time);
            continue;
        }
        ++written;
        rows += table.outcome.rows;
        bytes += table.outcome.bytes;
        seconds += table.seconds;
        lines << QStringLiteral("%1: %2 %3, %4 bytes, %5 -> %6")
                     .arg(name, c.toString(table.outcome.rows), table.outcome.rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
                          c.toString(table.outcome.bytes), time, QDir::toNativeSeparators(table.fileName))
                + (table.outcome.parts > 1 ? QStringLiteral(" in %1 parts").arg(table.outcome.parts) : table.outcome.parts == 1 ? QStringLiteral(" in 1 part")
                                                                                                                                : QString());
    }
    lines << QStringLiteral("%1 of %2 tables written: %3 rows, %4 bytes, %5 s")
                 .arg(written)
                 .arg(outcome.tables.size())
                 .arg(c.toString(rows), c.toString(bytes), QString::number(seconds, 'f', 2));
    return lines;
}

} // namespace velloxa
