// velloxa-export as a user drives it: signals that must stop it even while the server sends
// nothing, kills that must leave no debris, output paths as users mean them, the ways to
// give a password, compressed and split files, and several tables in one run.

#include "CoreSandbox.h"
#include "OutputFiles.h"
#include "SandboxServer.h"
#include "SilentListener.h"

#include "export/ReplacingFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace velloxa;
using namespace velloxa::testing;

namespace {

const QByteArray People("Id,Name\r\n1,Anna\r\n2,\r\n\r\n");

// What a codec's own tool makes of a file: `tool -t` must pass, then `tool -dc` gives the bytes.
QByteArray Decompressed(const QString& tool, const QString& file)
{
    QProcess test;
    test.start(tool, {"-t", file});
    if (!test.waitForFinished(30000) || test.exitCode() != 0)
        return "<damaged>";
    QProcess process;
    process.start(tool, {"-dc", file});
    process.waitForFinished(30000);
    return process.readAllStandardOutput();
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void signalsStopAStalledRun();
    void loginEndsAgainstASilentServer();
    void timeoutBoundsAStalledResult();
    void signalStopsAPasswordRead();
    void killedRunsLeaveOnlyTheOldFile();
    void outputPaths();
    void targetsThatAreNoRegularFile();
    void passwordWithoutTheCommandLine();
    void wrongArgumentsExitWithTwo();
    void compressedFilesHoldTheSameBytes();
    void splitPartsAreWholeFilesPutInPlaceTogether();
    void severalTablesInOneRun();

private:
    // Runs the command line to its end; its exit code.
    int run(const QStringList& args, const QByteArray& input = {}, const QString& passwordVariable = {})
    {
        QProcess cli;
        if (!passwordVariable.isNull()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("VELLOXA_PASSWORD", passwordVariable);
            cli.setProcessEnvironment(environment);
        }
        cli.start(CliProgram(), args);
        cli.write(input);
        cli.closeWriteChannel();
        cli.waitForFinished(30000);
        lastErrors_ = QString::fromLocal8Bit(cli.readAllStandardError());
        return cli.exitCode();
    }

    QString lastErrors_;
    std::unique_ptr<test::SandboxServer> server_;
    QTemporaryDir folder_;
};

void CommandLineTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(CoreDatabase());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void CommandLineTest::signalsStopAStalledRun()
{
    // Stalled at the login, and mid-stream (one row a minute).
    test::SandboxServer silentLogin(CoreDatabase({"--answer-delay-ms", "600000"}));
    test::SandboxServer silentRows(CoreDatabase({"--row-delay-us", "60000000"}));
    QVERIFY(silentLogin.isRunning() && silentRows.isRunning());
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const test::SandboxServer* server : {&silentLogin, &silentRows}) {
            QProcess cli;
            cli.start(CliProgram(), CliArguments("Many", file, server->port()) + TesterPassword);
            QVERIFY(cli.waitForStarted());
            QTest::qWait(700);
            QCOMPARE(cli.state(), QProcess::Running);
            ::kill(pid_t(cli.processId()), signal);
            QVERIFY2(cli.waitForFinished(5000), "still running after a signal");
            QCOMPARE(cli.exitCode(), 130);
            QCOMPARE(Contents(file), OldContents);
            QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
        }
    }
}

void CommandLineTest::loginEndsAgainstASilentServer()
{
    test::SilentListener silent;
    QVERIFY(silent.isListening());
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    const QStringList args = CliArguments("People", file, silent.port()) + TesterPassword;
    for (const auto& [limit, extra] : {std::pair{2, QStringList{"--timeout", "2"}}, std::pair{15, QStringList{}}}) {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run(args + extra), 1);
        qInfo("login against a silent port, limit %d s: %lld ms", limit, clock.elapsed());
        QVERIFY2(clock.elapsed() >= limit * 1000 - 500 && clock.elapsed() < limit * 2000 + 5000, qPrintable(lastErrors_));
        QVERIFY2(lastErrors_.contains("Timeout expired"), qPrintable(lastErrors_));
        QCOMPARE(Contents(file), OldContents);
    }
}

void CommandLineTest::timeoutBoundsAStalledResult()
{
    // Rows that stop coming (one a minute) from a server that does not answer the driver's
    // cancel either: the run ends after the limit, not after twice the limit.
    test::SandboxServer stalled(CoreDatabase({"--row-delay-us", "60000000"}));
    QVERIFY(stalled.isRunning());
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(CliArguments("Many", file, stalled.port()) + TesterPassword + QStringList{"--timeout", "5"}), 1);
    qInfo("stalled result, --timeout 5: %lld ms", clock.elapsed());
    QVERIFY2(clock.elapsed() < 9000, qPrintable(lastErrors_));
    QVERIFY2(lastErrors_.contains("nothing for 5 seconds (--timeout)"), qPrintable(lastErrors_));
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
}

void CommandLineTest::signalStopsAPasswordRead()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    const QStringList args = CliArguments("People", file, server_->port()) + QStringList{"--password-file", "-"};
    QProcess cli;
    cli.start(CliProgram(), args); // standard input stays open: the read waits
    QVERIFY(cli.waitForStarted());
    QTest::qWait(500);
    ::kill(pid_t(cli.processId()), SIGINT);
    QVERIFY2(cli.waitForFinished(5000), "a stop did not end the password read");
    QCOMPARE(cli.exitCode(), 130);
    cli.write("secret\n"); // too late: nothing is exported
    QCOMPARE(Contents(file), OldContents);
    QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});

    // A line that never ends is not read without bound.
    QCOMPARE(run(CliArguments("People", file, server_->port()) + QStringList{"--password-file", "/dev/zero"}), 2);
    QVERIFY2(lastErrors_.contains("longer than 64 KiB"), qPrintable(lastErrors_));
    QCOMPARE(run(args, QByteArray(70'000, 'x')), 2);
}

void CommandLineTest::killedRunsLeaveOnlyTheOldFile()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    WriteFile(file, OldContents);
    for (int attempt = 0; attempt < 4; ++attempt) {
        QProcess cli;
        cli.start(CliProgram(), CliArguments("Huge", file, server_->port()) + TesterPassword);
        QVERIFY(cli.waitForStarted());
        QTest::qWait(50 + QRandomGenerator::global()->bounded(250));
        cli.kill();
        cli.waitForFinished(5000);
        const QByteArray contents = Contents(file);
        QVERIFY2(contents == OldContents || contents.size() > 8'000'000, "the file is either old or whole");
        QCOMPARE(Entries(folder.path()), QStringList{"out.txt"});
    }

    // What a killed run can leave where the system has no unnamed files goes with the next
    // write to the same target, but only when its process is gone; others' files stay.
    const QString target = folder.filePath("out.txt");
    const QString prefix = ReplacingFile::TemporaryPrefix(target);
    const QStringList kept{".velloxa-00000000-999999999-a.tmp", prefix + QString::number(::getpid()) + "-b.tmp", "out.txt"};
    for (const QString& name : kept + QStringList{prefix + "999999999-c.tmp"})
        WriteFile(folder.filePath(name), "left");
    ReplacingFile next(target);
    QStringList expected = kept;
    expected.sort();
    QCOMPARE(Entries(folder.path()), expected);
}

void CommandLineTest::outputPaths()
{
    QTemporaryDir folder;
    const auto exportTo = [&](const QString& file) {
        return run(CliArguments("People", file, server_->port()) + TesterPassword);
    };

    // A link: the file it points to gets the export, in its own folder, and the link stays.
    QVERIFY(QDir(folder.path()).mkdir("data"));
    WriteFile(folder.filePath("data/real.txt"), OldContents);
    QVERIFY(QFile::link(folder.filePath("data/real.txt"), folder.filePath("link.txt")));
    QCOMPARE(exportTo(folder.filePath("link.txt")), 0);
    QVERIFY(QFileInfo(folder.filePath("link.txt")).isSymLink());
    QCOMPARE(Contents(folder.filePath("data/real.txt")), People);
    QCOMPARE(Entries(folder.filePath("data")), QStringList{"real.txt"});

    // A name of 250 bytes, near the file system's limit.
    const QString longName = folder.filePath(QString(246, 'n') + ".txt");
    QCOMPARE(exportTo(longName), 0);
    QCOMPARE(Contents(longName), People);

    // Names that cannot work fail before the login: against a silent port that would take
    // the whole login limit.
    test::SilentListener silent;
    QVERIFY(QFile::link("loop-b", folder.filePath("loop-a")) && QFile::link("loop-a", folder.filePath("loop-b")));
    for (const QString& name : {folder.filePath(QString(252, 'n') + ".txt"), folder.filePath("loop-a"), folder.filePath("none/out.txt")}) {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run(CliArguments("People", name, silent.port()) + TesterPassword), 1);
        QVERIFY2(clock.elapsed() < 10'000, "the name was checked only after the login");
    }
    QVERIFY2(lastErrors_.contains("Path not found"), qPrintable(lastErrors_));
    QCOMPARE(run(CliArguments("People", folder.filePath("loop-a"), server_->port()) + TesterPassword), 1);
    QVERIFY2(lastErrors_.contains("Too many levels of symbolic links"), qPrintable(lastErrors_));
    QCOMPARE(QFileInfo(folder.filePath("loop-a")).symLinkTarget(), folder.filePath("loop-b")); // the loop stays
}

void CommandLineTest::targetsThatAreNoRegularFile()
{
    // A FIFO is written into (its reader gets the export), never replaced by a file.
    QTemporaryDir folder;
    const QString fifo = folder.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start("cat", {fifo});
    QVERIFY(reader.waitForStarted());
    QCOMPARE(run(CliArguments("People", fifo, server_->port()) + TesterPassword), 0);
    QVERIFY(reader.waitForFinished(10000));
    QCOMPARE(reader.readAllStandardOutput(), People);
    struct stat info {};
    QVERIFY(::lstat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    QCOMPARE(Entries(folder.path()), QStringList{"fifo"});

    // A character device: /dev/null stays a device.
    QCOMPARE(run(CliArguments("People", "/dev/null", server_->port()) + TesterPassword), 0);
    QVERIFY(::stat("/dev/null", &info) == 0 && S_ISCHR(info.st_mode));

    // "-": standard output, into a pipe.
    QProcess cli;
    cli.start(CliProgram(), CliArguments("People", "-", server_->port()) + TesterPassword);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(cli.readAllStandardOutput(), People);
}

void CommandLineTest::passwordWithoutTheCommandLine()
{
    const QString file = folder_.filePath("password.txt");
    const QStringList args = CliArguments("People", file, server_->port());
    QCOMPARE(run(args + QStringList{"--password-file", "-"}, "secret\n"), 0);
    QCOMPARE(Contents(file), People);
    const QString passwordFile = folder_.filePath("pw");
    WriteFile(passwordFile, "secret\r\nignored\n");
    QCOMPARE(run(args + QStringList{"--password-file", passwordFile}), 0);
    QCOMPARE(run(args, {}, "secret"), 0);
    QCOMPARE(run(args, {}, "wrong"), 1);
    QVERIFY2(lastErrors_.contains("Login failed"), qPrintable(lastErrors_));

    // The file format options, with the window's choices behind them.
    QCOMPARE(run(args + QStringList{"--quote", "all", "--encoding", "utf-8-bom"}, "", "secret"), 0);
    QCOMPARE(Contents(file), QByteArray("\xEF\xBB\xBF\"Id\",\"Name\"\r\n\"1\",\"Anna\"\r\n\"2\",\r\n\r\n"));
}

void CommandLineTest::wrongArgumentsExitWithTwo()
{
    QTemporaryDir folder;
    const QString file = folder.filePath("args.txt");
    const QStringList args = CliArguments("People", file, server_->port());
    QCOMPARE(run(args + QStringList{"--no-such-option"}), 2);
    QCOMPARE(run(QStringList{"--table"}), 2);
    QCOMPARE(run(args + QStringList{"--password", "a", "--password-file", "-"}), 2);
    QCOMPARE(run(args + QStringList{"--password-file", folder.filePath("missing")}), 2);
    QCOMPARE(run(args + QStringList{"--quote", "some"}), 2);
    QCOMPARE(run(args + QStringList{"--encoding", "latin-9"}), 2);
    // Ports the driver would misread (modulo 65536, up to the first non-digit) are refused.
    const QString real = QString::number(server_->port());
    for (const QString& port : {QString::number(server_->port() + 65536), real + "abc", real + ";Database=Other", QString("0")}) {
        QStringList wrongPort = args + TesterPassword;
        wrongPort[wrongPort.indexOf("--port") + 1] = port;
        QCOMPARE(run(wrongPort), 2);
        QVERIFY2(lastErrors_.contains("--port"), qPrintable(lastErrors_));
    }
    // A name that is not UTF-8 would be written under another name. (QProcess passes only
    // UTF-8, so the shell makes the byte.)
    QProcess shell;
    shell.setWorkingDirectory(folder.path());
    shell.start("/bin/sh", QStringList{"-c", "exec \"$0\" \"$@\" --output \"$(printf 'a\\377.txt')\"", CliProgram()} + CliArguments("People", file, server_->port()).mid(0, 10) + TesterPassword);
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 2);
    QVERIFY(shell.readAllStandardError().contains("not valid UTF-8"));
    QCOMPARE(Entries(folder.path()), QStringList());
}

void CommandLineTest::compressedFilesHoldTheSameBytes()
{
    QTemporaryDir folder;
    const auto exportTo = [&](const QString& table, const QString& name, const QStringList& extra = {}) {
        return run(CliArguments(table, folder.filePath(name), server_->port()) + TesterPassword + extra);
    };
    // Huge: several MB, so that the codecs' streams span many writes.
    QCOMPARE(exportTo("Huge", "huge.txt"), 0);
    const QByteArray huge = Contents(folder.filePath("huge.txt"));
    QVERIFY(huge.size() > 8'000'000);
    QCOMPARE(exportTo("Huge", "huge.txt.gz"), 0);
    QCOMPARE(Decompressed("gzip", folder.filePath("huge.txt.gz")), huge);
    QCOMPARE(exportTo("Huge", "huge.txt.zst", {"--compress-level", "5"}), 0);
    QCOMPARE(Decompressed("zstd", folder.filePath("huge.txt.zst")), huge);
    QVERIFY(QFileInfo(folder.filePath("huge.txt.zst")).size() < huge.size() / 10);

    // --compress overrides the name, both ways; an existing file is replaced.
    WriteFile(folder.filePath("people.txt"), OldContents);
    QCOMPARE(exportTo("People", "people.txt", {"--compress", "zstd", "--encoding", "utf-16le"}), 0);
    QCOMPARE(Decompressed("zstd", folder.filePath("people.txt")).size(), 2 + 2 * (People.size()));
    QCOMPARE(exportTo("People", "plain.gz", {"--compress", "none"}), 0);
    QCOMPARE(Contents(folder.filePath("plain.gz")), People);

    QCOMPARE(exportTo("People", "x.txt", {"--compress-level", "3"}), 2); // nothing to compress
    QCOMPARE(exportTo("People", "x.gz", {"--compress-level", "10"}), 2); // gzip stops at 9
    QCOMPARE(exportTo("People", "x.txt", {"--compress", "bzip2"}), 2);
    QVERIFY(!QFileInfo::exists(folder.filePath("x.txt")) && !QFileInfo::exists(folder.filePath("x.gz")));
}

void CommandLineTest::splitPartsAreWholeFilesPutInPlaceTogether()
{
    QTemporaryDir folder;
    const auto split = [&](const QString& table, const QString& name, const QStringList& extra) {
        return run(CliArguments(table, folder.filePath(name), server_->port()) + TesterPassword + extra);
    };
    QCOMPARE(split("Many", "many.csv", {}), 0);
    const QByteArray whole = Contents(folder.filePath("many.csv"));
    // An earlier, longer set: its fourth part must not outlive the new set of three.
    WriteFile(folder.filePath("many.0004.csv.zst"), OldContents);
    QCOMPARE(split("Many", "many.csv.zst", {"--split-rows", "2000"}), 0);
    QByteArray joined = "Id,Name\r\n";
    for (const char* part : {"many.0001.csv.zst", "many.0002.csv.zst", "many.0003.csv.zst"}) {
        const QByteArray bytes = Decompressed("zstd", folder.filePath(part));
        QVERIFY2(bytes.startsWith("Id,Name\r\n") && bytes.endsWith("\r\n\r\n") && !bytes.endsWith("\r\n\r\n\r\n"), part);
        joined += bytes.mid(9).chopped(2);
    }
    QCOMPARE(joined + "\r\n", whole);
    QCOMPARE(Entries(folder.path()), (QStringList{"many.0001.csv.zst", "many.0002.csv.zst", "many.0003.csv.zst", "many.csv"}));

    // Rows that fill the last part exactly make no empty part after it; each part ends as a file does.
    QCOMPARE(split("People", "people.txt", {"--split-rows", "1", "--no-header"}), 0);
    QCOMPARE(Contents(folder.filePath("people.0001.txt")), QByteArray("1,Anna\r\n\r\n"));
    QCOMPARE(Contents(folder.filePath("people.0002.txt")), QByteArray("2,\r\n\r\n"));
    QVERIFY(!QFileInfo::exists(folder.filePath("people.0003.txt")));
    QCOMPARE(split("People", "people.txt", {"--split-rows", "0"}), 2);
    QCOMPARE(run(CliArguments("People", "-", server_->port()) + TesterPassword + QStringList{"--split-rows", "1"}), 2);

    // Failed or killed mid-run, after some parts are full: the old set stays, and no new part appears.
    test::SandboxServer slow(CoreDatabase({"--row-delay-us", "1000"}));
    test::SandboxServer dropping(CoreDatabase({"--close-after-rows", "300"}));
    QVERIFY(slow.isRunning() && dropping.isRunning());
    QTemporaryDir killed;
    const QStringList oldSet{"slow.0001.txt", "slow.0002.txt"};
    for (const QString& name : oldSet)
        WriteFile(killed.filePath(name), OldContents);
    QCOMPARE(run(CliArguments("Many", killed.filePath("slow.txt"), dropping.port()) + TesterPassword + QStringList{"--split-rows", "50"}), 1);
    QCOMPARE(Entries(killed.path()), oldSet);
    QProcess cli;
    cli.start(CliProgram(), CliArguments("Many", killed.filePath("slow.txt"), slow.port()) + TesterPassword + QStringList{"--split-rows", "50"});
    QVERIFY(cli.waitForStarted());
    QTest::qWait(1500);
    QCOMPARE(cli.state(), QProcess::Running);
    cli.kill();
    cli.waitForFinished(5000);
    QCOMPARE(Entries(killed.path()), oldSet);
    for (const QString& name : oldSet)
        QCOMPARE(Contents(killed.filePath(name)), OldContents);
}

void CommandLineTest::severalTablesInOneRun()
{
    QTemporaryDir folder;
    const QString names = folder.filePath("out/{schema}/{table}.csv.zst"); // "out" does not exist yet
    const QStringList login = CliArguments("People", names, server_->port()).mid(0, 8) + TesterPassword;
    const auto exportTables = [&](const QStringList& patterns, const QString& output = {}) {
        QStringList args = login + QStringList{"--output", output.isEmpty() ? names : output};
        for (const QString& pattern : patterns)
            args << "--tables" << pattern;
        return run(args);
    };
    const auto file = [&](const QString& name) { return folder.filePath("out/" + name); };

    // The same name in two schemas lands in two files; a table asked for twice is written once.
    QCOMPARE(exportTables({"*.orders", "dbo.People", "dbo.Peop*"}), 0);
    QCOMPARE(Decompressed("zstd", file("dbo/Orders.csv.zst")), QByteArray("Id,Place\r\n1,home\r\n\r\n"));
    QCOMPARE(Decompressed("zstd", file("sales/Orders.csv.zst")), QByteArray("Id,Place\r\n2,shop\r\n\r\n"));
    QCOMPARE(Decompressed("zstd", file("dbo/People.csv.zst")), People);
    QCOMPARE(Entries(folder.filePath("out/dbo")), (QStringList{"Orders.csv.zst", "People.csv.zst", "PeopleView.csv.zst"}));
    QVERIFY2(lastErrors_.contains(QRegularExpression("dbo.People: 2 rows, \\d+ bytes, \\d+\\.\\d\\d s")), qPrintable(lastErrors_));
    QVERIFY2(lastErrors_.contains("4 of 4 tables written: 6 rows"), qPrintable(lastErrors_));

    // One that fails (its file's place is a folder) is reported; the others are written.
    QVERIFY(QFile::remove(file("dbo/Orders.csv.zst")) && QFile::remove(file("sales/Orders.csv.zst")));
    QVERIFY(QFile::remove(file("dbo/People.csv.zst")) && QDir().mkpath(file("dbo/People.csv.zst")));
    QCOMPARE(exportTables({"*.Orders", "dbo.People"}), 1);
    QVERIFY2(lastErrors_.contains("dbo.People: failed") && lastErrors_.contains("2 of 3 tables written"), qPrintable(lastErrors_));
    QVERIFY(QFileInfo(file("dbo/Orders.csv.zst")).isFile() && QFileInfo(file("sales/Orders.csv.zst")).isFile());

    // Two tables into one file: nothing is written. A pattern that matches nothing fails the run.
    QCOMPARE(exportTables({"*.Orders"}, folder.filePath("one/{table}.csv")), 1);
    QVERIFY2(lastErrors_.contains("would both be written"), qPrintable(lastErrors_));
    QVERIFY(!QFileInfo::exists(folder.filePath("one")));
    QCOMPARE(exportTables({"dbo.People", "nosuch.*"}, folder.filePath("two/{table}.csv")), 1);
    QVERIFY2(lastErrors_.contains("no table or view matches nosuch.*"), qPrintable(lastErrors_));
    QCOMPARE(Contents(folder.filePath("two/People.csv")), People);

    // What cannot work with several tables is refused before connecting.
    QCOMPARE(exportTables({"*"}, folder.filePath("all.csv")), 2);
    QCOMPARE(run(login + QStringList{"--tables", "*", "--output", names, "--columns", "Id"}), 2);
    QCOMPARE(run(login + QStringList{"--tables", "*", "--output", names, "--table", "People"}), 2);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
