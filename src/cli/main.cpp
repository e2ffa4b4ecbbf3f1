// velloxa-export: one table or view of a SQL Server database to a delimited text file,
// written exactly as the Export window writes it.

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
#include "settings/KeyringPassword.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringDecoder>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char* const Description =
    "Exports one table or view of a SQL Server database to a delimited text file: an optional\n"
    "header line, one line per row, values joined by the separator, CR LF line ends and one\n"
    "more CR LF at the end; by default without quoting, in Windows-1252 (--quote, --encoding).\n"
    "Numbers and dates follow the regional settings (LANG / LC_ALL; ISO 8601 under the C locale)\n"
    "or ISO 8601 (--formats iso). The file is replaced only once the export is complete;\n"
    "on any failure it is left as it was, the error goes to stderr and the exit status is 1.\n"
    "SIGINT (Ctrl-C), SIGTERM or SIGHUP stop a run within a second, even while the server sends\n"
    "nothing or the password is being read: exit status 130, the file unchanged, no temporary\n"
    "file left. Wrong arguments: 2.\n"
    "\n"
    "Several tables: --tables PATTERN (repeatable) takes every table or view that the Table\n"
    "chooser lists whose schema.table matches (* any text, ? one character, in any case), one\n"
    "after another on one connection, each into --output with {schema}, {table}, {date}\n"
    "(yyyy-MM-dd) and {time} (HHmmss) filled in, missing folders created; each file is put in\n"
    "place on its own. A table that fails is reported and the others go on (exit status 1).\n"
    "A summary goes to stderr: per table its rows, bytes and seconds.\n"
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
    const QCommandLineOption tables(QStringLiteral("tables"), QStringLiteral("Export every listed table or view whose schema.table matches (repeatable): sales.*, dbo.Orders, *. The --output must hold {table}."), QStringLiteral("pattern"));
    const QCommandLineOption compress(QStringLiteral("compress"), QStringLiteral("gzip, zstd or none (default: by the output name, .gz or .zst)."), QStringLiteral("codec"));
    const QCommandLineOption compressLevel(QStringLiteral("compress-level"), QStringLiteral("Compression level: gzip 1-9 (default 6), zstd -7 to 19 (default 1)."), QStringLiteral("n"));
    const QCommandLineOption splitRows(QStringLiteral("split-rows"), QStringLiteral("Write parts of this many rows: name.0001.ext, name.0002.ext, ..."), QStringLiteral("n"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QStringLiteral("Longest wait in seconds for the login (default 15) and for each answer of the server while the export runs (default: none)."), QStringLiteral("seconds"));
    parser.addOptions({server, port, local, database, user, password, passwordFile, connectionString, table,
                       schema, columns, column, output, separator, noHeader, quote, encoding, formats, timeout,
                       tables, compress, compressLevel, splitRows});
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
    const bool tableSet = parser.isSet(tables);
    if (tableSet && (parser.isSet(table) || parser.isSet(schema)))
        return usageError("give either --table (with --schema) or --tables");
    if (tableSet && (parser.isSet(columns) || parser.isSet(column)))
        return usageError("--columns and --column name one table's columns: not with --tables");
    if (tableSet && !parser.value(output).contains(QLatin1String("{table}")))
        return usageError("with --tables the --output name must hold {table} (and, where schemas share names, {schema})");
    if (!tableSet && !parser.isSet(table))
        return usageError("--table is required");
    if (!parser.isSet(output))
        return usageError("--output is required");
    if (parser.isSet(connectionString) == parser.isSet(server))
        return usageError("give either --server (with the login options) or --connection-string");
    if (parser.isSet(port) && !velloxa::IsPortNumber(parser.value(port)))
        return usageError("--port takes a number from 1 to 65535");

    velloxa::ExportRequest request;
    request.schema = parser.value(schema);
    request.table = parser.value(table);
    if (parser.isSet(columns))
        request.columns = parser.value(columns).split(QLatin1Char(','));
    request.columns += parser.values(column);
    request.separator = parser.value(separator);
    request.header = !parser.isSet(noHeader);
    request.fileName = parser.value(output);
    request.standardOutput = request.fileName == QLatin1String("-");
    const QStringList quotings{QStringLiteral("none"), QStringLiteral("needed"), QStringLiteral("all")};
    const QStringList encodings{QStringLiteral("windows-1252"), QStringLiteral("utf-8"), QStringLiteral("utf-8-bom"), QStringLiteral("utf-16le")};
    const qsizetype quoting = quotings.indexOf(parser.value(quote).toLower());
    const qsizetype fileEncoding = encodings.indexOf(parser.value(encoding).toLower());
    if (quoting < 0)
        return usageError("--quote takes none, needed or all");
    const qsizetype valueForms = QStringList{QStringLiteral("regional"), QStringLiteral("iso")}.indexOf(parser.value(formats).toLower());
    if (fileEncoding < 0)
        return usageError("--encoding takes windows-1252, utf-8, utf-8-bom or utf-16le");
    if (valueForms < 0)
        return usageError("--formats takes regional or iso");
    request.format = {velloxa::Quoting(quoting), velloxa::FileEncoding(fileEncoding), velloxa::ValueForms(valueForms)};
    if (parser.isSet(timeout)) {
        bool number = false;
        const int seconds = parser.value(timeout).toInt(&number);
        if (!number || seconds < 1 || seconds > 86400)
            return usageError("--timeout takes a number of seconds from 1 to 86400");
        request.limits = {seconds, seconds};
    }
    if (parser.isSet(compress)) {
        request.compression = velloxa::CompressionNamed(parser.value(compress));
        if (!request.compression)
            return usageError("--compress takes gzip, zstd or none");
    }
    if (parser.isSet(compressLevel)) {
        const velloxa::Compression codec = request.compression.value_or(velloxa::CompressionForName(request.fileName));
        bool number = false;
        const int level = parser.value(compressLevel).toInt(&number);
        if (codec == velloxa::Compression::None)
            return usageError("--compress-level needs a compressed output (.gz, .zst or --compress)");
        if (!number || level < velloxa::LowestCompressionLevel(codec) || level > velloxa::HighestCompressionLevel(codec))
            return usageError(codec == velloxa::Compression::Gzip ? "--compress-level takes 1 to 9 for gzip" : "--compress-level takes -7 to 19 for zstd");
        request.compressionLevel = level;
    }
    if (parser.isSet(splitRows)) {
        bool number = false;
        request.splitRows = parser.value(splitRows).toLongLong(&number);
        if (!number || request.splitRows < 1)
            return usageError("--split-rows takes a number of rows from 1");
        if (request.standardOutput)
            return usageError("--split-rows writes named parts: not with --output -");
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
        velloxa::LoginValues login;
        login.server = parser.value(server);
        login.port = parser.value(port);
        login.localConnection = parser.isSet(local) || !parser.isSet(port);
        login.database = parser.value(database);
        login.user = parser.value(user);
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

    velloxa::StderrMessageService messages;
    const auto keepGoing = [](qint64) { return !velloxa::StopSignals::StopRequested(); };
    if (tableSet) {
        const velloxa::TableSetOutcome outcome = velloxa::RunTableSet(request, parser.values(tables), messages, keepGoing);
        velloxa::StopSignals::RunFinished();
        for (const QString& line : velloxa::TableSetSummary(outcome))
            std::fprintf(stderr, "velloxa-export: %s\n", qPrintable(line));
        if (outcome.cancelled)
            return 130;
        return outcome.failed() ? 1 : 0;
    }
    velloxa::ErrorTrap trap(messages, QStringLiteral("velloxa-export"), QStringLiteral("export"));
    const velloxa::ExportOutcome outcome =
        velloxa::RunExport(request, trap, keepGoing);
    velloxa::StopSignals::RunFinished();
    if (outcome.cancelled) {
        std::fprintf(stderr, "velloxa-export: stopped; the output file was not changed\n");
        return 130;
    }
    // Unquoted values or names that break their lines: worth a word, since the file is written.
    const QString breaks = velloxa::CollisionSummary(outcome.valuesWithSeparator, outcome.valuesWithLineBreak, outcome.headerBreaks);
    if (outcome.written && !breaks.isEmpty())
        std::fprintf(stderr, "velloxa-export: note: %s; --quote needed keeps their lines intact\n", qPrintable(breaks.mid(2)));
    return outcome.written && trap.reportCount() == 0 ? 0 : 1;
}
