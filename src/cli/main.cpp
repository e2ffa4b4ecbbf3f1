// velloxa-export: one table or view of a SQL Server database to a delimited text file,
// written exactly as the Export window writes it.

#include "errors/StderrMessageService.h"
#include "connection/ConnectionString.h"
#include "errors/ErrorTrap.h"
#include "export/ExportRun.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int)
{
    stopRequested = 1;
}

const char* const Description =
    "Exports one table or view of a SQL Server database to a delimited text file: an optional\n"
    "header line, one line per row, values joined by the separator without quoting, CR LF line\n"
    "ends and one more CR LF at the end, Windows-1252 text. Numbers and dates follow the\n"
    "regional settings (LANG / LC_ALL). The file is replaced only once the export is complete;\n"
    "on any failure it is left as it was, the error goes to stderr and the exit status is 1;\n"
    "stopped by SIGINT or SIGTERM: 130, file unchanged; wrong arguments: 2.\n"
    "\n"
    "Login: --server with --port (\"Server=host,port\"), or without --port / with --local\n"
    "(\"Server=host\"; the FreeTDS driver is then given port 1433), --database, --user,\n"
    "--password; or a whole ODBC --connection-string instead.";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velloxa-export"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addHelpOption();
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("Server name or address (may name an instance: host\\NAME)."), QStringLiteral("host"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port of the server."), QStringLiteral("port"));
    const QCommandLineOption local(QStringLiteral("local"), QStringLiteral("Leave the port out of the connection string."));
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("Database name."), QStringLiteral("name"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Login name."), QStringLiteral("name"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("text"));
    const QCommandLineOption connectionString(QStringLiteral("connection-string"), QStringLiteral("A whole ODBC connection string instead of the login options."), QStringLiteral("text"));
    const QCommandLineOption table(QStringLiteral("table"), QStringLiteral("Table or view to export (required)."), QStringLiteral("name"));
    const QCommandLineOption schema(QStringLiteral("schema"), QStringLiteral("Its schema; without it the name is unqualified and the server resolves it by the login's default schema."), QStringLiteral("name"));
    const QCommandLineOption columns(QStringLiteral("columns"), QStringLiteral("Comma-separated columns, in output order (default: all, in table order)."), QStringLiteral("a,b"));
    const QCommandLineOption column(QStringLiteral("column"), QStringLiteral("One more column (repeatable; for names that hold a comma)."), QStringLiteral("name"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Output file (required); replaced when it exists."), QStringLiteral("file"));
    const QCommandLineOption separator(QStringLiteral("separator"), QStringLiteral("Field separator, any text, also empty (default \",\")."), QStringLiteral("text"), QStringLiteral(","));
    const QCommandLineOption noHeader(QStringLiteral("no-header"), QStringLiteral("Leave out the line of column names."));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QStringLiteral("Longest wait in seconds for the login (default 15) and for the server while the export runs (default: none)."), QStringLiteral("seconds"));
    parser.addOptions({server, port, local, database, user, password, connectionString, table, schema,
                       columns, column, output, separator, noHeader, timeout});
    parser.process(application);

    const auto usageError = [](const char* text) {
        std::fprintf(stderr, "velloxa-export: %s (see --help)\n", text);
        return 2;
    };
    if (!parser.positionalArguments().isEmpty())
        return usageError("unexpected arguments");
    if (!parser.isSet(table))
        return usageError("--table is required");
    if (!parser.isSet(output))
        return usageError("--output is required");
    if (parser.isSet(connectionString) == parser.isSet(server))
        return usageError("give either --server (with the login options) or --connection-string");

    velloxa::ExportRequest request;
    if (parser.isSet(connectionString)) {
        request.connectionString = parser.value(connectionString);
    } else {
        velloxa::LoginValues login;
        login.server = parser.value(server);
        login.port = parser.value(port);
        login.localConnection = parser.isSet(local) || !parser.isSet(port);
        login.database = parser.value(database);
        login.user = parser.value(user);
        login.password = parser.value(password);
        request.connectionString = velloxa::BuildConnectionString(login);
    }
    request.schema = parser.value(schema);
    request.table = parser.value(table);
    if (parser.isSet(columns))
        request.columns = parser.value(columns).split(QLatin1Char(','));
    request.columns += parser.values(column);
    request.separator = parser.value(separator);
    request.header = !parser.isSet(noHeader);
    request.fileName = parser.value(output);
    if (parser.isSet(timeout)) {
        bool number = false;
        const int seconds = parser.value(timeout).toInt(&number);
        if (!number || seconds < 1 || seconds > 86400)
            return usageError("--timeout takes a number of seconds from 1 to 86400");
        request.limits = {seconds, seconds};
    }

    // A file size limit makes the write fail (and the run clean up) instead of killing us.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);

    velloxa::StderrMessageService messages;
    velloxa::ErrorTrap trap(messages, QStringLiteral("velloxa-export"), QStringLiteral("export"));
    const velloxa::ExportOutcome outcome =
        velloxa::RunExport(request, trap, [](qint64) { return stopRequested == 0; });
    if (outcome.cancelled) {
        std::fprintf(stderr, "velloxa-export: stopped; the output file was not changed\n");
        return 130;
    }
    return outcome.written && trap.reportCount() == 0 ? 0 : 1;
}
