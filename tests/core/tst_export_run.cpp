// The export run through the real driver against the sandbox: the file's exact bytes, and
// every way it can fail leaving an existing output file as it was and no temporary file.

#include "CoreSandbox.h"
#include "OutputFiles.h"
#include "RecordingMessageService.h"
#include "SandboxServer.h"

#include "errors/ErrorTrap.h"
#include "connection/odbc/Connection.h"
#include "export/CollisionGuard.h"
#include "export/ExportRun.h"
#include "export/LineWriter.h"
#include "selection/Preview.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace velloxa;
using namespace velloxa::testing;

namespace {

struct Run {
    ExportOutcome outcome;
    QList<int> reportedLines;
    QStringList reports;
};

} // namespace

class ExportRunTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fileBytes_data();
    void fileBytes();
    void manyRowsInBlocks();
    void longValuesInChunks();
    void failedConnectionOrStatementTouchesNoFile_data();
    void failedConnectionOrStatementTouchesNoFile();
    void missingFolderIsReportedTwice();
    void readOnlyTargetIsRefused();
    void connectionLostMidStreamKeepsTheOldFile();
    void cancelKeepsTheOldFile();
    void replacedFileKeepsItsMode();
    void fullDiskKeepsTheOldFile();
    void terminatedMidRunKeepsTheOldFile();
    void timeoutBoundsTheLoginAndTheWait();
    void regionalSettings_data();
    void regionalSettings();
    void fileFormats_data();
    void fileFormats();
    void firstLinesAreTheFilesFirstLines();
    void partsOfTheSeparatorAndNamesBreakLinesToo();
    void encryptedConnectionWritesTheSameBytes_data();
    void encryptedConnectionWritesTheSameBytes();

private:
    ExportRequest request(const QString& table, const QString& file, const QString& schema = "dbo") const
    {
        ExportRequest r;
        r.connectionString = server_->connectionString("Core", "tester", "secret");
        r.schema = schema;
        r.table = table;
        r.separator = ",";
        r.fileName = file;
        return r;
    }
    static Run run(const ExportRequest& request, const std::function<bool(qint64)>& progress = [](qint64) { return true; })
    {
        testing::RecordingMessageService messages;
        ErrorTrap trap(messages, "Form4", "PushButton4_Click");
        Run result;
        result.outcome = RunExport(request, trap, progress);
        static const QRegularExpression line("at line (\\d+)");
        for (const auto& box : messages.reports()) {
            result.reports << box.text;
            result.reportedLines << line.match(box.text).captured(1).toInt();
        }
        return result;
    }
    std::unique_ptr<test::SandboxServer> server_;
    QTemporaryDir folder_;
};

void ExportRunTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(CoreDatabase());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
    QVERIFY(folder_.isValid());
    umask(022);
}

void ExportRunTest::fileBytes_data()
{
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QByteArray>("expected");
    const QStringList all;
    QTest::newRow("header, NULL empty") << "dbo" << "People" << all << "," << true << QByteArray("Id,Name\r\n1,Anna\r\n2,\r\n\r\n");
    QTest::newRow("no header") << "dbo" << "People" << all << "," << false << QByteArray("1,Anna\r\n2,\r\n\r\n");
    QTest::newRow("empty table, header") << "dbo" << "Empty" << all << "," << true << QByteArray("Id,Name\r\n\r\n");
    QTest::newRow("empty table, no header: two bytes") << "dbo" << "Empty" << all << "," << false << QByteArray("\r\n");
    QTest::newRow("three-character separator") << "dbo" << "People" << all << " | " << true << QByteArray("Id | Name\r\n1 | Anna\r\n2 | \r\n\r\n");
    QTest::newRow("empty separator") << "dbo" << "People" << all << "" << true << QByteArray("IdName\r\n1Anna\r\n2\r\n\r\n");
    QTest::newRow("chosen columns in chosen order") << "dbo" << "People" << QStringList{"Name", "Id"} << "," << true << QByteArray("Name,Id\r\nAnna,1\r\n,2\r\n\r\n");
    QTest::newRow("raw values, Windows-1252 with '?'") << "dbo" << "Texts" << all << "," << true
        << QByteArray("Id,Body\r\n1,a,b\r\n2,line1\r\nline2\r\n3,Gr\xfc\xdf" "e \x80 ? ? ok\r\n4,\r\n\r\n");
    QTest::newRow("fixed-length text keeps its blanks") << "dbo" << "Mixed" << QStringList{"Code"} << "," << true << QByteArray("Code\r\nabc       \r\n\r\n\r\n");
    QTest::newRow("whole numbers, bit, GUID, binary") << "dbo" << "Mixed" << QStringList{"Id", "Flag", "Off", "Guid", "Bytes", "Big", "Tiny"} << "," << false
        << QByteArray("7,True,False,6F9619FF-8B86-D011-B42D-00C04FC964FF,0x00FF10,-9223372036854775808,255\r\n8,,,,,,\r\n\r\n");
    QTest::newRow("']' in table and column names") << "dbo" << "Odd]Name" << QStringList{"Col]umn", "Plain"} << "," << true << QByteArray("Col]umn,Plain\r\n1,x\r\n\r\n");
    QTest::newRow("']' in schema and table names") << "we]ird" << "T]1" << all << "," << true << QByteArray("Id\r\n5\r\n\r\n");
    QTest::newRow("same name, other schema") << "sales" << "Orders" << all << "," << false << QByteArray("2,shop\r\n\r\n");
    QTest::newRow("same name, dbo") << "dbo" << "Orders" << all << "," << false << QByteArray("1,home\r\n\r\n");
    QTest::newRow("unqualified name") << "" << "Orders" << all << "," << false << QByteArray("1,home\r\n\r\n");
    QTest::newRow("view") << "dbo" << "PeopleView" << all << ";" << true << QByteArray("Id;Name\r\n1;Anna\r\n2;\r\n\r\n");
}

void ExportRunTest::fileBytes()
{
    QFETCH(QString, schema);
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QString, separator);
    QFETCH(bool, header);
    QFETCH(QByteArray, expected);
    const QString file = folder_.filePath("bytes.txt");
    WriteFile(file, OldContents + OldContents + OldContents); // replaced, not overwritten in place
    ExportRequest r = request(table, file, schema);
    r.columns = columns;
    r.separator = separator;
    r.header = header;
    const Run result = run(r);
    QCOMPARE(result.reports, QStringList());
    QVERIFY(result.outcome.written);
    QCOMPARE(Contents(file), expected);
    QCOMPARE(Entries(folder_.path()), QStringList{"bytes.txt"});
}

void ExportRunTest::manyRowsInBlocks()
{
    const QString file = folder_.filePath("many.txt");
    QList<qint64> progress;
    const Run result = run(request("Many", file), [&](qint64 rows) { progress << rows; return true; });
    QVERIFY(result.outcome.written);
    QCOMPARE(result.outcome.rows, 5000);
    QByteArray expected = "Id,Name\r\n";
    for (int i = 1; i <= 5000; ++i)
        expected += QByteArray::number(i) + ",row" + QByteArray::number(i) + "\r\n";
    QCOMPARE(Contents(file), expected + "\r\n");
    QVERIFY(std::is_sorted(progress.cbegin(), progress.cend()));
}

void ExportRunTest::longValuesInChunks()
{
    const QString file = folder_.filePath("long.txt");
    const Run result = run(request("Long", file));
    QCOMPARE(result.reports, QStringList());
    QByteArray expected = "Id,Body,Data\r\n1," + QByteArray("xy").repeated(50000) + ",0x"
        + QByteArray("00").repeated(40000) + "\r\n2,,\r\n3,short,0xCAFE\r\n";
    // A pair split between two parts is still one character: one '?'.
    for (int length = 32764; length <= 32767; ++length)
        expected += QByteArray::number(length - 32760) + ',' + QByteArray(length, 'a') + "?,\r\n";
    QCOMPARE(Contents(file), expected + "\r\n");

    // A megabyte and more in every large type reaches the file whole: the server would cut each
    // to 4,096 bytes unless the connection lifts the session's TEXTSIZE.
    const QString huge = folder_.filePath("huge.txt");
    QCOMPARE(run(request("Huge", huge)).reports, QStringList());
    const QByteArray text = QByteArray("ab").repeated(524288) + "end";
    const QByteArray bytes = "0x" + QByteArray("00").repeated(1048576) + "CAFE";
    QCOMPARE(Contents(huge), "A,N,B,T,NT,I\r\n" + text + ',' + text + "?," + bytes + ',' + text + "!," + text + "\x80,"
                                 + bytes + "\r\n\r\n");
}

void ExportRunTest::failedConnectionOrStatementTouchesNoFile_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("description");
    QTest::newRow("login refused") << "wrong" << "People" << QStringList() << 114 << "[FreeTDS][SQL Server]Login failed for user 'tester'.";
    QTest::newRow("missing table") << "secret" << "Nope" << QStringList() << 118 << "[FreeTDS][SQL Server]Invalid object name 'dbo.Nope'.";
    QTest::newRow("missing column") << "secret" << "People" << QStringList{"Id", "Gone"} << 118 << "[FreeTDS][SQL Server]Invalid column name 'Gone'.";
}

void ExportRunTest::failedConnectionOrStatementTouchesNoFile()
{
    QFETCH(QString, password);
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(int, line);
    QFETCH(QString, description);
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    ExportRequest r = request(table, file);
    r.connectionString = server_->connectionString("Core", "tester", password);
    r.columns = columns;
    const Run result = run(r);
    QCOMPARE(result.reportedLines, QList<int>{line});
    QVERIFY2(result.reports.first().startsWith(description + "\r\n") || result.reports.first().startsWith(description + "\n"),
             qPrintable(result.reports.first()));
    QVERIFY(!result.outcome.written);
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void ExportRunTest::missingFolderIsReportedTwice()
{
    const QString file = folder_.filePath("nowhere/out.txt");
    const Run result = run(request("People", file));
    QCOMPARE(result.reportedLines, QList<int>({168, 172}));
    QVERIFY(!result.outcome.written);
    QVERIFY(!QFileInfo::exists(folder_.filePath("nowhere")));
}

void ExportRunTest::readOnlyTargetIsRefused()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup));
    const Run result = run(request("People", file));
    QCOMPARE(result.reportedLines, QList<int>({168, 172}));
    QVERIFY(result.reports.first().contains("read-only"));
    QCOMPARE(Contents(file), OldContents);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0440));
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void ExportRunTest::connectionLostMidStreamKeepsTheOldFile()
{
    test::SandboxServer closing(CoreDatabase() + QStringList{"--close-after-rows", "2500"});
    QVERIFY2(closing.isRunning(), qPrintable(closing.errorString()));
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    ExportRequest r = request("Many", file);
    r.connectionString = closing.connectionString("Core", "tester", "secret");
    const Run result = run(r);
    QCOMPARE(result.reportedLines, QList<int>{154});
    QVERIFY(!result.outcome.written);
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void ExportRunTest::cancelKeepsTheOldFile()
{
    test::SandboxServer slow(CoreDatabase() + QStringList{"--row-delay-us", "300"});
    QVERIFY2(slow.isRunning(), qPrintable(slow.errorString()));
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    ExportRequest r = request("Many", file);
    r.connectionString = slow.connectionString("Core", "tester", "secret");
    int calls = 0;
    const Run result = run(r, [&](qint64) { return ++calls < 3; });
    QCOMPARE(calls, 3);
    QVERIFY(result.outcome.cancelled);
    QVERIFY(!result.outcome.written);
    QCOMPARE(result.reports, QStringList());
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void ExportRunTest::replacedFileKeepsItsMode()
{
    QTemporaryDir folder;
    const QString kept = folder.filePath("kept.txt");
    WriteFile(kept, OldContents);
    QVERIFY(::chmod(QFile::encodeName(kept).constData(), 0640) == 0);
    QVERIFY(run(request("People", kept)).outcome.written);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(kept).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0640));
    QCOMPARE(Contents(kept), QByteArray("Id,Name\r\n1,Anna\r\n2,\r\n\r\n"));

    const QString fresh = folder.filePath("fresh.txt");
    QVERIFY(run(request("People", fresh)).outcome.written);
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0644)); // 0666 under the umask 022
}

void ExportRunTest::fullDiskKeepsTheOldFile()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    // A file size limit of a few KiB: the writes fail with EFBIG as on a full disk.
    QProcess cli;
    cli.start("/bin/sh", QStringList{"-c", "ulimit -f 8 && exec \"$0\" \"$@\"", CliProgram()}
                             + CliArguments("Many", file, server_->port()) + TesterPassword);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(cli.readAllStandardError());
    QVERIFY2(errors.contains("line 172"), qPrintable(errors));
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void ExportRunTest::terminatedMidRunKeepsTheOldFile()
{
    test::SandboxServer slow(CoreDatabase() + QStringList{"--row-delay-us", "300"});
    QVERIFY2(slow.isRunning(), qPrintable(slow.errorString()));
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    QProcess cli;
    cli.start(CliProgram(), CliArguments("Many", file, slow.port()) + TesterPassword);
    QVERIFY(cli.waitForStarted());
    QTest::qWait(500);
    QCOMPARE(cli.state(), QProcess::Running);
    cli.terminate();
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitCode(), 130);
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void ExportRunTest::timeoutBoundsTheLoginAndTheWait()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    // A server that answers the login only after a minute, and one that sends a row a minute.
    for (const QStringList& fault : {QStringList{"--answer-delay-ms", "60000"}, QStringList{"--row-delay-us", "60000000"}}) {
        test::SandboxServer stalling(CoreDatabase() + fault);
        QVERIFY2(stalling.isRunning(), qPrintable(stalling.errorString()));
        QProcess cli;
        cli.start(CliProgram(), CliArguments("Many", file, stalling.port()) + TesterPassword + QStringList{"--timeout", "1"});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 1);
        const QString errors = QString::fromLocal8Bit(cli.readAllStandardError());
        QVERIFY2(errors.contains("Timeout expired"), qPrintable(errors));
        QCOMPARE(Contents(file), OldContents);
    }
}

void ExportRunTest::regionalSettings_data()
{
    QTest::addColumn<QString>("locale"); // LC_ALL, or the variables "NAME=value ..." with LC_ALL unset
    QTest::addColumn<QString>("forms");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray iso("3.5;12;-0.25;1234.5;0.1;2.5;2024-01-02;2024-01-02 15:04:05;2024-01-02 00:00:00;2024-01-02 15:04:05.25;08:09:10\r\n;;;;;;;;;;\r\n\r\n");
    QTest::newRow("en_US") << "en_US.UTF-8" << "regional"
        << QByteArray("3.5;12;-0.25;1234.5;0.1;2.5;1/2/2024;1/2/2024 3:04:05 PM;1/2/2024;1/2/2024 3:04:05.25 PM;8:09:10 AM\r\n;;;;;;;;;;\r\n\r\n");
    QTest::newRow("de_DE: decimal comma") << "de_DE.UTF-8" << "regional"
        << QByteArray("3,5;12;-0,25;1234,5;0,1;2,5;02.01.2024;02.01.2024 15:04:05;02.01.2024;02.01.2024 15:04:05,25;08:09:10\r\n;;;;;;;;;;\r\n\r\n");
    QTest::newRow("de_DE, ISO 8601") << "de_DE.UTF-8" << "iso" << iso;
    QTest::newRow("C: no regional settings, so ISO") << "C" << "regional" << iso;
    // Dates follow LC_TIME or LANG; LANGUAGE names the language, not the forms.
    QTest::newRow("C by LANG, English by LANGUAGE") << "LANG=C.UTF-8 LANGUAGE=en_US:en" << "regional" << iso;
    QTest::newRow("C by LC_TIME") << "LANG=en_US.UTF-8 LC_TIME=C.UTF-8" << "regional" << iso;
}

void ExportRunTest::regionalSettings()
{
    QFETCH(QString, locale);
    QFETCH(QString, forms);
    QFETCH(QByteArray, expected);
    // The system locale is read once per process: each setting gets a process of its own.
    const QString file = folder_.filePath("regional.txt");
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (locale.contains('=')) {
        environment.remove("LC_ALL");
        for (const QString& variable : locale.split(' ')) {
            const qsizetype equals = variable.indexOf('=');
            environment.insert(variable.left(equals), variable.mid(equals + 1));
        }
    } else {
        environment.insert("LC_ALL", locale);
    }
    cli.setProcessEnvironment(environment);
    cli.start(CliProgram(), CliArguments("Mixed", file, server_->port()) + TesterPassword
                                + QStringList{"--columns", "Price,Whole,Neg,Cash,Ratio,Small,Born,Stamp,Midnight,Frac,Clock",
                                              "--separator", ";", "--no-header", "--formats", forms});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.readAllStandardError(), QByteArray());
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(Contents(file), expected);
}

void ExportRunTest::encryptedConnectionWritesTheSameBytes_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("5000 rows") << "Many";
    QTest::newRow("long values in chunks") << "Long";
}

// Through a server that forces encryption (every reply packet inside TLS records) the file
// must come out as through a clear connection.
void ExportRunTest::encryptedConnectionWritesTheSameBytes()
{
    QFETCH(QString, table);
    test::SandboxServer encrypting(CoreDatabase() + QStringList{"--encryption", "required"});
    QVERIFY2(encrypting.isRunning(), qPrintable(encrypting.errorString()));
    QTemporaryDir folder;
    const QString clear = folder.filePath("clear.txt"), encrypted = folder.filePath("encrypted.txt");
    QVERIFY(run(request(table, clear)).outcome.written);
    ExportRequest r = request(table, encrypted);
    r.connectionString = encrypting.connectionString("Core", "tester", "secret");
    const Run result = run(r);
    QCOMPARE(result.reports, QStringList());
    QVERIFY(result.outcome.written);
    QVERIFY(Contents(clear).size() > 60000);
    QCOMPARE(Contents(encrypted), Contents(clear));
}

void ExportRunTest::fileFormats_data()
{
    QTest::addColumn<int>("quoting");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("withSeparator");
    QTest::addColumn<int>("withLineBreak");
    const QByteArray classic = "Id,Body\r\n1,a,b\r\n2,say \"hi\"\r\n3,cr\rx\r\n4,lf\ny\r\n5,\r\n6,\r\n7,Gr\xfc\xdf" "e \x80 ? ?\r\n"
                               "8,more than sixteen bytes, \"quoted\" late\r\n\r\n";
    const QString emoji = QString::fromUcs4(U"\U0001F600", 1);
    const QByteArray unicode = QStringLiteral("Grüße € 中 ").toUtf8() + emoji.toUtf8();
    QTest::newRow("classic") << int(Quoting::None) << int(FileEncoding::Windows1252) << classic << 2 << 2;
    QTest::newRow("where needed, Windows-1252")
        << int(Quoting::WhereNeeded) << int(FileEncoding::Windows1252)
        << QByteArray("Id,Body\r\n1,\"a,b\"\r\n2,\"say \"\"hi\"\"\"\r\n3,\"cr\rx\"\r\n4,\"lf\ny\"\r\n5,\r\n6,\r\n7,Gr\xfc\xdf" "e \x80 ? ?\r\n"
                      "8,\"more than sixteen bytes, \"\"quoted\"\" late\"\r\n\r\n") << 0 << 0;
    const QByteArray whereNeeded = "Id,Body\r\n1,\"a,b\"\r\n2,\"say \"\"hi\"\"\"\r\n3,\"cr\rx\"\r\n4,\"lf\ny\"\r\n5,\r\n6,\r\n7," + unicode
        + "\r\n8,\"more than sixteen bytes, \"\"quoted\"\" late\"\r\n\r\n";
    QTest::newRow("where needed, UTF-8") << int(Quoting::WhereNeeded) << int(FileEncoding::Utf8) << whereNeeded << 0 << 0;
    const auto utf16 = [](const QString& text) {
        QByteArray bytes = "\xFF\xFE";
        for (const QChar c : text)
            bytes += char(c.unicode() & 0xFF), bytes += char(c.unicode() >> 8);
        return bytes;
    };
    QTest::newRow("where needed, UTF-16 LE") << int(Quoting::WhereNeeded) << int(FileEncoding::Utf16LeWithBom)
                                             << utf16(QString::fromUtf8(whereNeeded)) << 0 << 0;
    QTest::newRow("all values, UTF-8 with BOM: \"\" is empty, nothing is NULL")
        << int(Quoting::All) << int(FileEncoding::Utf8WithBom)
        << ("\xEF\xBB\xBF\"Id\",\"Body\"\r\n\"1\",\"a,b\"\r\n\"2\",\"say \"\"hi\"\"\"\r\n\"3\",\"cr\rx\"\r\n\"4\",\"lf\ny\"\r\n"
            "\"5\",\"\"\r\n\"6\",\r\n\"7\",\"" + unicode + "\"\r\n\"8\",\"more than sixteen bytes, \"\"quoted\"\" late\"\r\n\r\n") << 0 << 0;
    QString wide = QStringLiteral("Id,Body\r\n1,a,b\r\n2,say \"hi\"\r\n3,cr\rx\r\n4,lf\ny\r\n5,\r\n6,\r\n7,Grüße € 中 ") + emoji
        + "\r\n8,more than sixteen bytes, \"quoted\" late\r\n\r\n";
    QTest::newRow("raw, UTF-16 LE keeps every character") << int(Quoting::None) << int(FileEncoding::Utf16LeWithBom) << utf16(wide) << 2 << 2;
}

void ExportRunTest::fileFormats()
{
    QFETCH(int, quoting);
    QFETCH(int, encoding);
    QFETCH(QByteArray, expected);
    QFETCH(int, withSeparator);
    QFETCH(int, withLineBreak);
    const QString file = folder_.filePath("format.txt");
    // Bound values, and long ones read in parts: the same bytes.
    for (const char* table : {"Awkward", "AwkwardLong"}) {
        ExportRequest r = request(table, file);
        r.format = {Quoting(quoting), FileEncoding(encoding)};
        const Run result = run(r);
        QCOMPARE(result.reports, QStringList());
        QCOMPARE(Contents(file), expected);
        QCOMPARE(result.outcome.valuesWithSeparator, withSeparator);
        QCOMPARE(result.outcome.valuesWithLineBreak, withLineBreak);
    }
}

// What the Export window shows before Finish is what Finish writes.
void ExportRunTest::firstLinesAreTheFilesFirstLines()
{
    odbc::Connection connection;
    connection.open(server_->connectionString("Core", "tester", "secret"));
    const PreviewData preview = ReadPreview(connection, {"dbo", "Awkward"});
    for (const FileFormat format : {FileFormat{}, FileFormat{Quoting::All, FileEncoding::Utf16LeWithBom}}) {
        const QString file = folder_.filePath("first.txt");
        ExportRequest r = request("Awkward", file);
        r.format = format;
        QCOMPARE(run(r).reports, QStringList());
        const FirstLines lines = WriteFirstLines(LineWriter(format, ","), preview.columns, true, preview.rows);
        QCOMPARE(lines.bytes + (format.encoding == FileEncoding::Windows1252 ? "\r\n" : QByteArray("\r\0\n\0", 4)), Contents(file));
    }
    const LineWriter visible({Quoting::WhereNeeded, FileEncoding::Windows1252}, "\t");
    QCOMPARE(WriteFirstLines(visible, {"a", "b"}, true, {{"x\ty", QString::fromUcs4(U"\u4E2D", 1)}}).visible,
             QStringLiteral("a⇥b←↓\n\"x⇥y\"⇥\uFFFD←↓\n"));
    // As in the file: a character Windows-1252 lacks is a '?', which a '?' separator splits at.
    const LineWriter question({Quoting::WhereNeeded, FileEncoding::Windows1252}, "?");
    QCOMPARE(WriteFirstLines(question, {"a"}, false, {{QString::fromUcs4(U"\u4E2D", 1)}}).bytes, QByteArray("\"?\"\r\n"));
}

// "x|" before "||" reads as "x" and "|...": such a value is quoted, or counted when unquoted,
// in the file and in the window alike; a name that holds the separator breaks the header.
void ExportRunTest::partsOfTheSeparatorAndNamesBreakLinesToo()
{
    const QString file = folder_.filePath("pipes.txt");
    ExportRequest r = request("Pipes", file);
    r.separator = "||";
    r.header = true;
    r.format.quoting = Quoting::WhereNeeded;
    QCOMPARE(run(r).reports, QStringList());
    const QByteArray expected = "Id||A||B,c\r\n1||\"x|\"||y\r\n2||x|||y\r\n\r\n";
    QCOMPARE(Contents(file), expected);
    const FirstLines lines = WriteFirstLines(LineWriter(r.format, "||"), {"Id", "A", "B,c"}, true, {{"1", "x|", "y"}, {"2", "x", "|y"}});
    QCOMPARE(lines.bytes + "\r\n", expected);

    r.format.quoting = Quoting::None;
    Run unquoted = run(r);
    QCOMPARE(unquoted.outcome.valuesWithSeparator, 1);
    QVERIFY(!unquoted.outcome.headerBreaks);
    r.separator = ",";
    unquoted = run(r);
    QCOMPARE(unquoted.outcome.valuesWithSeparator, 0);
    QVERIFY(unquoted.outcome.headerBreaks);
    QCOMPARE(CollisionWarning(LineWriter({}, ","), {"Id", "A", "B,c"}, true, {{"1", "x|", "y"}}),
             QStringLiteral("The column name \"B,c\" breaks the header line. Quoting \"Where needed\" keeps it intact."));
}

QTEST_GUILESS_MAIN(ExportRunTest)
#include "tst_export_run.moc"
