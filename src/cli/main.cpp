// velloxa-export: one table or view of a SQL Server database to a delimited text file,
// written exactly as the Export window writes it.

#include "cli/ProgressLine.h"
#include "cli/StallWatch.h"
#include "cli/StopSignals.h"
#include "connection/ConnectionString.h"
#include "connection/PasswordFile.h"
#include "connection/PortNumber.h"
#include "errors/ErrorTrap.h"
#include "errors/Failure.h"
#include "errors/StderrMessageService.h"
#include "export/CollisionGuard.h"
#include "export/ExportRun.h"
#include "export/TableSetExport.h"
#include "jobs/JobFile.h"
#include "jobs/JobRun.h"
#include "settings/KeyringPassword.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QStringDecoder>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

const char* const Description =
    "Exports one table or view of a SQL Server database to a delimited text file: an optional\n"
    "header line, one line per row, values joined by the separator, CR LF line ends and one\n"
    "more CR LF at the end; by default without quoting, in Windows-1252 (--quote, --encoding).\n"
    "Numbers and dates follow the regional settings (LANG / LC_ALL; ISO 8601 under the C locale)\n"
    "or ISO 8601 (--formats iso). The file is replaced only once the export is complete;\n"
    "on any failure it is left as it was and the error goes to stderr.\n"
    "SIGINT (Ctrl-C), SIGTERM or SIGHUP stop a run within a second, even while the server sends\n"
    "nothing or the password is being read: the file unchanged, no temporary file left.\n"
    "\n"
    "Jobs: --save-job FILE writes the options given (never a password) to a job file without\n"
    "exporting; --job FILE runs one, options on the line overriding its own. {date} {time}\n"
    "{schema} {table} in the output name take the run's start and table. With --after-column a\n"
    "job exports only the rows after the highest value of that column its last run wrote.\n"
    "\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage (or a damaged job file), 3 the table's\n"
    "columns changed (a saved column is gone; nothing exported), 130 stopped.\n"
    "\n"
    "Several tables: --tables PATTERN (repeatable) takes every table or view that the Table\n"
    "chooser lists whose schema.table matches (* any text, ? one character, in any case), one\n"
    "after another on one connection, each into --output with {schema}, {table}, {date}\n"
    "(yyyy-MM-dd) and {time} (HHmmss) filled in, missing folders created; each file is put in\n"
    "place on its own. A table that fails is reported and the others go on (exit status 1).\n"
    "A summary goes to stderr: per table its rows, bytes and seconds. --columns and --after-column\n"
    "name one table's columns: not with --tables. A job holds --tables, --compress,\n"
    "--compress-level and --split-rows like the other options.\n"
    "\n"
    "Compression: an --output ending in .gz or .zst is written as gzip or zstd (--compress\n"
    "overrides the name). --split-rows N writes parts name.0001.ext, name.0002.ext, ... of N rows\n"
    "each (the number goes before a .gz or .zst), each with the header line and the final CR LF,\n"
    "all put in place together when the run ends; parts of an earlier, longer set are removed.\n"
    "\n"
    "Output: a symbolic link is followed (the file it points to is replaced, the link stays; a\n"
    "link loop is refused); the name must be valid UTF-8 and is checked before the login.\n"
    "\"-\" writes to standard output. A FIFO, a character device or a terminal is not replaced\n"
    "but written into as the export runs: no atomic replace is possible there, so a failure or\n"
    "a stop leaves in it what was already sent.\n"
    "\n"
    "Login: --server with --port (\"Server=host,port\"), or without --port / with --local\n"
    "(\"Server=host\"; the FreeTDS driver is then given port 1433), --database, --user, and\n"
    "the password from --password-file (\"-\": standard input; its first line, at most 64 KiB),\n"
    "the environment variable VELLOXA_PASSWORD, or --password (visible to other users in the\n"
    "process list); without any of them, the system keyring's entry for the login (service\n"
    "\"Velloxa\", entry user@server,port), where the windows keep their remembered password;\n"
    "or a whole ODBC --connection-string instead. --port takes 1 to 65535.";

int UsageError(const QString& text)
{
    std::fprintf(stderr, "velloxa-export: %s (see --help)\n", qPrintable(text));
    return 2;
}

// The raw bytes given for --output: QCoreApplication's decoding would turn bytes that are not
// UTF-8 into U+FFFD, and the file would be written under another name.
bool OutputNameIsUtf8(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* value = nullptr;
        if (std::strcmp(argv[i], "--output") == 0 && i + 1 < argc)
            value = argv[i + 1];
        else if (std::strncmp(argv[i], "--output=", 9) == 0)
            value = argv[i] + 9;
        if (!value)
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8.decode(QByteArrayView(value)));
        if (utf8.hasError())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    velloxa::StopSignals::Block();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velloxa-export"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addHelpOption();
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("Server name or address (may name an instance: host\\NAME)."), QStringLiteral("host"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port of the server, 1 to 65535."), QStringLiteral("port"));
    const QCommandLineOption local(QStringLiteral("local"), QStringLiteral("Leave the port out of the connection string."));
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("Database name."), QStringLiteral("name"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Login name."), QStringLiteral("name"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password (visible to other users in the process list; prefer the next two)."), QStringLiteral("text"));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"), QStringLiteral("Read the password from the first line of this file (\"-\": standard input). Without any password option: the environment variable VELLOXA_PASSWORD."), QStringLiteral("file"));
    const QCommandLineOption connectionString(QStringLiteral("connection-string"), QStringLiteral("A whole ODBC connection string instead of the login options."), QStringLiteral("text"));
    const QCommandLineOption table(QStringLiteral("table"), QStringLiteral("Table or view to export (required)."), QStringLiteral("name"));
    const QCommandLineOption schema(QStringLiteral("schema"), QStringLiteral("Its schema; without it the name is unqualified and the server resolves it by the login's default schema."), QStringLiteral("name"));
    const QCommandLineOption columns(QStringLiteral("columns"), QStringLiteral("Comma-separated columns, in output order (default: all, in table order)."), QStringLiteral("a,b"));
    const QCommandLineOption column(QStringLiteral("column"), QStringLiteral("One more column (repeatable; for names that hold a comma)."), QStringLiteral("name"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Output file (required); replaced when it exists and is a regular file; \"-\": standard output."), QStringLiteral("file"));
    const QCommandLineOption separator(QStringLiteral("separator"), QStringLiteral("Field separator, any text, also empty (default \",\")."), QStringLiteral("text"), QStringLiteral(","));
    const QCommandLineOption noHeader(QStringLiteral("no-header"), QStringLiteral("Leave out the line of column names."));
    const QCommandLineOption quote(QStringLiteral("quote"), QStringLiteral("Quoting of values: none (raw, the default), needed (RFC 4180: values holding the separator, a quote, CR or LF) or all (every value but NULL)."), QStringLiteral("mode"), QStringLiteral("none"));
    const QCommandLineOption encoding(QStringLiteral("encoding"), QStringLiteral("Text encoding: windows-1252 (the default; '?' for what it cannot hold), utf-8, utf-8-bom or utf-16le (with a BOM)."), QStringLiteral("name"), QStringLiteral("windows-1252"));
    const QCommandLineOption formats(QStringLiteral("formats"), QStringLiteral("Dates, times and numbers: regional (the regional settings, the default; ISO under the C locale) or iso (yyyy-MM-dd HH:mm:ss, decimal point)."), QStringLiteral("forms"), QStringLiteral("regional"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QStringLiteral("Longest wait in seconds for the login (default 15) and for each answer of the server while the export runs (default: none)."), QStringLiteral("seconds"));
    const QCommandLineOption header(QStringLiteral("header"), QStringLiteral("Write the line of column names (the default; for a job that leaves it out)."));
    const QCommandLineOption afterColumn(QStringLiteral("after-column"), QStringLiteral("Only new rows: the rising column (integer, date/time or rowversion) whose highest value a job remembers."), QStringLiteral("name"));
    const QCommandLineOption job(QStringLiteral("job"), QStringLiteral("Run this job file (options given here override its own)."), QStringLiteral("file"));
    const QCommandLineOption saveJob(QStringLiteral("save-job"), QStringLiteral("Write the options given to this job file and export nothing."), QStringLiteral("file"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("No notes and no progress line; errors only."));
    const QCommandLineOption tables(QStringLiteral("tables"), QStringLiteral("Export every listed table or view whose schema.table matches (repeatable): sales.*, dbo.Orders, *. The --output must hold {table}."), QStringLiteral("pattern"));
    const QCommandLineOption compress(QStringLiteral("compress"), QStringLiteral("gzip, zstd or none (default: by the output name, .gz or .zst)."), QStringLiteral("codec"));
    const QCommandLineOption compressLevel(QStringLiteral("compress-level"), QStringLiteral("Compression level: gzip 1-9 (default 6), zstd -7 to 19 (default 1)."), QStringLiteral("n"));
    const QCommandLineOption splitRows(QStringLiteral("split-rows"), QStringLiteral("Write parts of this many rows: name.0001.ext, name.0002.ext, ..."), QStringLiteral("n"));
    parser.addOptions({server, port, local, database, user, password, passwordFile, connectionString, table,
                       schema, columns, column, output, separator, noHeader, header, quote, encoding, formats,
                       timeout, afterColumn, job, saveJob, quiet, tables, compress, compressLevel, splitRows});
    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    const auto usageError = [](const char* text) { return UsageError(QString::fromUtf8(text)); };
    if (!OutputNameIsUtf8(argc, argv))
        return usageError("the --output file name is not valid UTF-8; give it in UTF-8");
    if (parser.isSet(password) && parser.isSet(passwordFile))
        return usageError("give either --password or --password-file");
    if (!parser.positionalArguments().isEmpty())
        return usageError("unexpected arguments");
    if (parser.isSet(port) && !velloxa::IsPortNumber(parser.value(port)))
        return usageError("--port takes a number from 1 to 65535");
    if (parser.isSet(tables) && (parser.isSet(table) || parser.isSet(schema)))
        return usageError("give either --table (with --schema) or --tables");
    if (parser.isSet(saveJob) && parser.isSet(connectionString))
        return usageError("a job holds the login options, not a --connection-string (it may hold a password)");
    if (parser.isSet(connectionString) && parser.isSet(server))
        return usageError("give either --server (with the login options) or --connection-string");

    // The job file's settings, then the options given here over them.
    velloxa::Job settings;
    if (parser.isSet(job)) {
        try {
            settings = velloxa::ReadJobFile(parser.value(job));
        } catch (const velloxa::Failure& failure) {
            std::fprintf(stderr, "velloxa-export: %s\n", qPrintable(failure.description()));
            return 2;
        }
    }
    // A level chosen for the job's codec means nothing to another one.
    const velloxa::Compression jobCodec = settings.compression.value_or(velloxa::CompressionForName(settings.output));
    const auto override = [&](const QCommandLineOption& option, QString& field) {
        if (parser.isSet(option))
            field = parser.value(option);
    };
    override(server, settings.login.server);
    override(database, settings.login.database);
    override(user, settings.login.user);
    // The line's table or tables replace the job's (and with them its columns).
    if (parser.isSet(tables)) {
        settings.tables = parser.values(tables);
        settings.schema.clear();
        settings.table.clear();
        settings.columns.clear();
    }
    if (parser.isSet(table) || parser.isSet(schema))
        settings.tables.clear();
    override(schema, settings.schema);
    override(table, settings.table);
    override(output, settings.output);
    override(separator, settings.separator);
    // Another rising column makes the remembered value meaningless.
    if (parser.isSet(afterColumn) && parser.value(afterColumn) != settings.afterColumn) {
        settings.afterColumn = parser.value(afterColumn);
        settings.lastValue.clear();
    }
    if (parser.isSet(port)) {
        settings.login.port = parser.value(port);
        settings.login.localConnection = parser.isSet(local);
    } else if (parser.isSet(local) || settings.login.port.isEmpty()) {
        settings.login.localConnection = true;
    }
    if (parser.isSet(columns) || parser.isSet(column)) {
        settings.columns = parser.isSet(columns) ? parser.value(columns).split(QLatin1Char(',')) : QStringList{};
        settings.columns += parser.values(column);
    }
    if (parser.isSet(noHeader) || parser.isSet(header))
        settings.header = !parser.isSet(noHeader);
    const auto choice = [&](const QCommandLineOption& option, const QStringList& words, int current) {
        return parser.isSet(option) ? int(words.indexOf(parser.value(option).toLower())) : current;
    };
    const int quoting = choice(quote, velloxa::QuotingWords(), int(settings.format.quoting));
    const int fileEncoding = choice(encoding, velloxa::EncodingWords(), int(settings.format.encoding));
    const int valueForms = choice(formats, velloxa::ValueFormsWords(), int(settings.format.values));
    if (quoting < 0)
        return usageError("--quote takes none, needed or all");
    if (fileEncoding < 0)
        return usageError("--encoding takes windows-1252, utf-8, utf-8-bom or utf-16le");
    if (valueForms < 0)
        return usageError("--formats takes regional or iso");
    settings.format = {velloxa::Quoting(quoting), velloxa::FileEncoding(fileEncoding), velloxa::ValueForms(valueForms)};

    if (parser.isSet(compress)) {
        settings.compression = velloxa::CompressionNamed(parser.value(compress));
        if (!settings.compression)
            return usageError("--compress takes gzip, zstd or none");
    }
    const velloxa::Compression codec = settings.compression.value_or(velloxa::CompressionForName(settings.output));
    if (parser.isSet(compressLevel)) {
        bool number = false;
        settings.compressionLevel = parser.value(compressLevel).toInt(&number);
        if (!number)
            return usageError("--compress-level takes a whole number");
    } else if (codec != jobCodec) {
        settings.compressionLevel.reset();
    }
    if (settings.compressionLevel) {
        const int level = *settings.compressionLevel;
        if (codec == velloxa::Compression::None)
            return usageError("--compress-level needs a compressed output (.gz, .zst or --compress)");
        if (level < velloxa::LowestCompressionLevel(codec) || level > velloxa::HighestCompressionLevel(codec))
            return usageError(codec == velloxa::Compression::Gzip ? "--compress-level takes 1 to 9 for gzip" : "--compress-level takes -7 to 19 for zstd");
    }
    if (parser.isSet(splitRows)) {
        bool number = false;
        settings.splitRows = parser.value(splitRows).toLongLong(&number);
        if (!number || settings.splitRows < 1)
            return usageError("--split-rows takes a number of rows from 1");
    }
    if (settings.splitRows > 0 && settings.output == QLatin1String("-"))
        return usageError("--split-rows writes named parts: not with --output -");

    const bool tableSet = !settings.tables.isEmpty();
    if (!tableSet && settings.table.isEmpty())
        return usageError("--table is required");
    if (settings.output.isEmpty())
        return usageError("--output is required");
    if (tableSet && (!settings.table.isEmpty() || !settings.schema.isEmpty()))
        return usageError("the job names a table (or schema) and tables: keep one of them");
    if (tableSet && !settings.columns.isEmpty())
        return usageError("--columns and --column name one table's columns: not with --tables");
    if (tableSet && !settings.output.contains(QLatin1String("{table}")))
        return usageError("with --tables the --output name must hold {table} (and, where schemas share names, {schema})");
    // Each table would need its own rising column and mark; there is no one right reading.
    if (tableSet && !settings.afterColumn.isEmpty())
        return usageError("--after-column names one table's rising column: not with --tables");
    if (!parser.isSet(connectionString) && settings.login.server.isEmpty())
        return usageError("give either --server (with the login options) or --connection-string");
    if (parser.isSet(saveJob)) {
        try {
            velloxa::WriteJobFile(parser.value(saveJob), settings);
        } catch (const velloxa::Failure& failure) {
            std::fprintf(stderr, "velloxa-export: the job cannot be saved: %s\n", qPrintable(failure.description()));
            return 1;
        }
        return 0;
    }

    // The password is read below, once the stop signals are watched.
    velloxa::ExportRequest request = velloxa::JobExportRequest(settings, QDateTime::currentDateTime());
    if (tableSet)
        request.fileName = settings.output; // expanded per table
    request.standardOutput = request.fileName == QLatin1String("-");
    if (parser.isSet(timeout)) {
        bool number = false;
        const int seconds = parser.value(timeout).toInt(&number);
        if (!number || seconds < 1 || seconds > 86400)
            return usageError("--timeout takes a number of seconds from 1 to 86400");
        request.limits = {seconds, seconds};
    }

    // Watched from here on, so that a stop also ends a password read that waits for input.
    // A file size limit makes the write fail (and the run clean up) instead of killing us.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    velloxa::StopSignals::Watch();
    if (parser.isSet(timeout))
        velloxa::StallWatch::Start(request.limits.statementSeconds);

    if (parser.isSet(connectionString)) {
        request.connectionString = parser.value(connectionString);
    } else {
        velloxa::LoginValues login = settings.login;
        if (parser.isSet(passwordFile)) {
            try {
                login.password = velloxa::ReadPasswordLine(parser.value(passwordFile));
            } catch (const velloxa::Failure& failure) {
                return UsageError(QStringLiteral("--password-file: ") + failure.description());
            }
        } else if (parser.isSet(password)) {
            login.password = parser.value(password);
        } else if (qEnvironmentVariableIsSet("VELLOXA_PASSWORD")) {
            login.password = qEnvironmentVariable("VELLOXA_PASSWORD");
        } else {
            login.password = velloxa::KeyringPassword(login).value_or(QString());
        }
        request.connectionString = velloxa::BuildConnectionString(login);
    }

    // The progress line only where a person watches: not into logs or cron mail.
    const bool notes = !parser.isSet(quiet);
    std::optional<velloxa::ProgressLine> progressLine;
    if (notes && ::isatty(STDERR_FILENO)) {
        progressLine.emplace(stderr);
        request.rowEstimate = [&](std::optional<qint64> rows) { progressLine->expect(rows); };
    }
    const auto progress = [&](qint64 rows) {
        if (progressLine)
            progressLine->show(rows);
        return !velloxa::StopSignals::StopRequested();
    };

    velloxa::StderrMessageService messages;
    if (tableSet) {
        const velloxa::TableSetOutcome outcome = velloxa::RunTableSet(request, settings.tables, messages, progress);
        velloxa::StopSignals::RunFinished();
        if (progressLine)
            progressLine->finish();
        for (const QString& line : velloxa::TableSetSummary(outcome))
            std::fprintf(stderr, "velloxa-export: %s\n", qPrintable(line));
        if (outcome.cancelled)
            return 130;
        return outcome.failed() ? 1 : 0;
    }
    velloxa::ErrorTrap trap(messages, QStringLiteral("velloxa-export"), QStringLiteral("export"));
    velloxa::JobOutcome jobOutcome;
    if (parser.isSet(job) || !settings.afterColumn.isEmpty())
        jobOutcome = velloxa::RunJob(settings, request, parser.value(job), trap, progress);
    else
        jobOutcome.run = velloxa::RunExport(request, trap, progress);
    const velloxa::ExportOutcome& outcome = jobOutcome.run;
    velloxa::StopSignals::RunFinished();
    if (progressLine)
        progressLine->finish();
    if (!jobOutcome.missingColumns.isEmpty())
        return 3;
    if (notes && !jobOutcome.newColumns.isEmpty())
        std::fprintf(stderr, "velloxa-export: note: the table has columns the job does not export: %s\n",
                     qPrintable(jobOutcome.newColumns.join(QStringLiteral(", "))));
    if (outcome.cancelled) {
        std::fprintf(stderr, "velloxa-export: stopped; the output file was not changed\n");
        return 130;
    }
    // Unquoted values or names that break their lines: worth a word, since the file is written.
    const QString breaks = velloxa::CollisionSummary(outcome.valuesWithSeparator, outcome.valuesWithLineBreak, outcome.headerBreaks);
    if (notes && outcome.written && !breaks.isEmpty())
        std::fprintf(stderr, "velloxa-export: note: %s; --quote needed keeps their lines intact\n", qPrintable(breaks.mid(2)));
    return outcome.written && trap.reportCount() == 0 ? 0 : 1;
}
