// The export's speed on one table: "export" runs the real export run into a file; "bare"
// binds and fetches the same result the same way (long values read in parts, as the export
// reads them) and discards it, the limit of this path.
// Prints the rows and the seconds from connect to the last row.

#include "connection/odbc/Connection.h"
#include "connection/odbc/Statement.h"
#include "errors/ErrorTrap.h"
#include "errors/StderrMessageService.h"
#include "export/ExportRun.h"
#include "export/ExportStatement.h"
#include "export/ResultTextReader.h"
#include "export/ValueText.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

namespace {

qint64 BareLoop(const QString& connectionString, const QString& table, SQLULEN rowsPerFetch)
{
    velloxa::odbc::Connection connection;
    connection.open(connectionString);
    const velloxa::ValueTextFormat format(QLocale::system());
    qint64 rows = 0;
    {
        velloxa::odbc::Statement statement(connection);
        statement.execute(velloxa::ExportStatement(QString(), table, {}));
        velloxa::ResultTextReader reader(statement, format, rowsPerFetch);
        const int columns = reader.columnCount();
        while (reader.next()) {
            for (int column = 0; column < columns; ++column)
                reader.readValue(column);
            ++rows;
        }
    }
    connection.close();
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 4 || (args[1] != "bare" && args[1] != "export")) {
        std::fprintf(stderr, "usage: bench_export bare CONNSTR TABLE [ROWS_PER_FETCH]\n"
                             "       bench_export export CONNSTR TABLE FILE\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    qint64 rows = 0;
    try {
        if (args[1] == "bare") {
            rows = BareLoop(args[2], args[3], args.size() > 4 ? args[4].toULongLong() : 0);
        } else {
            velloxa::StderrMessageService messages;
            velloxa::ErrorTrap trap(messages, "bench", "export");
            velloxa::ExportRequest request;
            request.connectionString = args[2];
            request.table = args[3];
            request.separator = ",";
            request.fileName = args.value(4);
            const velloxa::ExportOutcome outcome = velloxa::RunExport(request, trap, [](qint64) { return true; });
            if (!outcome.written)
                return 1;
            rows = outcome.rows;
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    std::printf("rows=%lld seconds=%.3f\n", static_cast<long long>(rows), double(timer.nsecsElapsed()) / 1e9);
    return 0;
}
