// velloxa-export as a user drives it: signals that must stop it even while the server sends
// nothing, kills that must leave no debris, output paths as users mean them, and the ways to
// give a password.

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

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
