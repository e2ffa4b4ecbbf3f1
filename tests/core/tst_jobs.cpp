// Repeatable exports as a scheduler meets them: a job saved and run by the command line, its
// options overridden, output names with placeholders, only the new rows across runs with rows
// added between them, a table whose columns changed, and damaged job files.

#include "CoreSandbox.h"
#include "OutputFiles.h"
#include "SandboxServer.h"

#include "export/OutputName.h"
#include "jobs/JobFile.h"

#include <QDate>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velloxa;
using namespace velloxa::testing;

class JobsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void jobFilesKeepEveryValue();
    void outputNamePlaceholders();
    void savedJobRunsLikeTheOptions();
    void jobOfSeveralTablesWritesCompressedParts();
    void everyRisingKindKeepsItsHighestValue();
    void onlyNewRowsAcrossRuns();
    void changedTableExitsWithThree();
    void damagedJobFilesNameTheLine();
    void progressLineOnlyOnATerminal();

private:
    int run(const QStringList& args)
    {
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VELLOXA_PASSWORD", "secret");
        cli.setProcessEnvironment(environment);
        cli.setWorkingDirectory(folder_.path());
        cli.start(CliProgram(), args);
        cli.waitForFinished(30000);
        errors_ = QString::fromLocal8Bit(cli.readAllStandardError());
        return cli.exitCode();
    }
    QStringList login() const
    {
        return {"--server", "127.0.0.1", "--port", QString::number(server_->port()), "--database", "Jobs", "--user", "tester"};
    }
    // The server answers from an SQLite file; rows added to it show in the next run.
    void insert(const QString& values)
    {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(qPrintable(path("jobs.sqlite")), &db), SQLITE_OK);
        const int result = sqlite3_exec(db, qPrintable("INSERT INTO Events VALUES " + values), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(result, SQLITE_OK);
    }
    QString path(const QString& name) const { return folder_.filePath(name); }

    QString errors_;
    std::unique_ptr<test::SandboxServer> server_;
    QTemporaryDir folder_;
};

void JobsTest::initTestCase()
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(qPrintable(path("jobs.sqlite")), &db), SQLITE_OK);
    QFile script(test::testDataPath("core/jobs.sql"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    const int created = sqlite3_exec(db, script.readAll().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(created, SQLITE_OK);
    server_ = std::make_unique<test::SandboxServer>(
        QStringList{"--database", "Jobs=" + path("jobs.sqlite"), "--account", "tester:secret"});
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void JobsTest::jobFilesKeepEveryValue()
{
    Job job;
    job.login.server = "db\\NAME";
    job.table = "We]ird";
    job.columns = {"a,b", " padded ", "\"quoted\""};
    job.output = "C:\\out {date}.csv";
    job.format = {Quoting::WhereNeeded, FileEncoding::Utf16LeWithBom, ValueForms::Iso};
    job.afterColumn = "Id";
    job.lastValue = "42";
    for (const QString& separator : {QString(), QString("\t"), QString(" | "), QString("\"")}) {
        job.separator = separator;
        job.header = separator.isEmpty();
        WriteFile(path("round.velloxa"), JobFileText(job));
        const Job back = ReadJobFile(path("round.velloxa"));
        QCOMPARE(back.separator, separator);
        QCOMPARE(back.header, job.header);
        QCOMPARE(back.columns, job.columns);
        QCOMPARE(back.login.server, job.login.server);
        QCOMPARE(back.output, job.output);
        QCOMPARE(int(back.format.encoding), int(job.format.encoding));
        QCOMPARE(back.lastValue, job.lastValue);
    }
    QVERIFY2(!JobFileText(job).contains("password ="), "a job never holds a password");
}

void JobsTest::outputNamePlaceholders()
{
    const QDateTime start(QDate(2025, 3, 9), QTime(7, 5, 3));
    QCOMPARE(ExpandOutputName("/x/{schema}.{table}-{date}T{time}.csv", "sales", "Orders", start),
             QString("/x/sales.Orders-2025-03-09T070503.csv"));
    // A table's name adds no folder and is not expanded again; unknown braces stay.
    QCOMPARE(ExpandOutputName("{table}{other}", "", "a/b\\{date}", start), QString("a_b_{date}{other}"));
}

void JobsTest::savedJobRunsLikeTheOptions()
{
    const QStringList options = login() + QStringList{"--table", "Events", "--columns", "Name,Id", "--separator", "\t", "--quote", "needed", "--encoding", "utf-8"};
    QCOMPARE(run(options + QStringList{"--output", path("plain.txt"), "--save-job", path("saved.velloxa")}), 0);
    QVERIFY2(!QFile::exists(path("plain.txt")), "saving a job exports nothing");
    QCOMPARE(run(options + QStringList{"--output", path("plain.txt")}), 0);
    QCOMPARE(run({"--job", path("saved.velloxa"), "--output", path("job.txt")}), 0);
    QCOMPARE(Contents(path("job.txt")), Contents(path("plain.txt")));
    QVERIFY(Contents(path("job.txt")).startsWith("Name\tId\r\n"));

    // Options on the line override the job's; placeholders are expanded at the start.
    const QString day = QDate::currentDate().toString("yyyy-MM-dd");
    QCOMPARE(run({"--job", path("saved.velloxa"), "--separator", ";", "--no-header", "--output", path("{table}-{date}.txt")}), 0);
    const QString named = path("Events-" + day + ".txt");
    QVERIFY2(QFile::exists(named) || QFile::exists(path("Events-" + QDate::currentDate().toString("yyyy-MM-dd") + ".txt")),
             qPrintable(Entries(folder_.path()).join(' ')));
    QVERIFY(Contents(named).startsWith("one;1\r\n"));
}

void JobsTest::jobOfSeveralTablesWritesCompressedParts()
{
    const QStringList options = login() + QStringList{"--tables", "sales.*", "--tables", "dbo.Ev*", "--compress", "zstd", "--compress-level", "5", "--split-rows", "2"};
    const auto output = [&](const QString& folder) { return path(folder + "/{schema}.{table}.csv"); };
    QCOMPARE(run(options + QStringList{"--output", output("line"), "--save-job", path("many.velloxa")}), 0);
    QVERIFY2(!QFileInfo::exists(path("line")), "saving a job exports nothing");
    QCOMPARE(run(options + QStringList{"--output", output("line")}), 0);
    QCOMPARE(run({"--job", path("many.velloxa"), "--output", output("job")}), 0);
    const QStringList parts = Entries(path("line"));
    QCOMPARE(parts, (QStringList{"dbo.Events.0001.csv", "sales.Places.0001.csv", "sales.Places.0002.csv"}));
    QCOMPARE(Entries(path("job")), parts);
    for (const QString& part : parts) {
        QVERIFY(Contents(path("line/" + part)).startsWith("\x28\xB5\x2F\xFD")); // a zstd frame
        QCOMPARE(Contents(path("job/" + part)), Contents(path("line/" + part)));
    }

    // One rising column cannot serve several tables: refused, as from the line.
    QCOMPARE(run({"--job", path("many.velloxa"), "--after-column", "Id"}), 2);
    QVERIFY2(errors_.contains("--after-column"), qPrintable(errors_));
    // The line's table replaces the job's patterns; the job's compression and parts stay.
    QCOMPARE(run({"--job", path("many.velloxa"), "--schema", "sales", "--table", "Places", "--output", path("one.csv")}), 0);
    QCOMPARE(Contents(path("one.0002.csv")), Contents(path("line/sales.Places.0002.csv")));
}

void JobsTest::everyRisingKindKeepsItsHighestValue()
{
    const QList<std::pair<QString, QString>> kinds{
        {"Id", "2"},
        {"At", "2024-01-02 11:30:00.1234567"},
        {"Version", "0x00000000000007D2"},
        // A datetime keeps 1/300 s: .997 is 299/300.
        {"Made", "2024-01-02 10:00:00.9966667"},
    };
    for (const auto& [column, highest] : kinds) {
        const QString job = path(column + ".velloxa"), out = path(column + ".txt");
        QCOMPARE(run(login() + QStringList{"--table", "Events", "--columns", "Id", "--output", out, "--after-column", column, "--save-job", job}),
                 0);
        QCOMPARE(run({"--job", job, "--quiet"}), 0);
        QCOMPARE(ReadJobFile(job).lastValue, highest);
        // The sandbox compares a datetime's stored text (.997), not its exact value as a server does.
        if (column == "Made")
            continue;
        QCOMPARE(Contents(out), QByteArray("Id\r\n1\r\n2\r\n\r\n"));
        QCOMPARE(run({"--job", job, "--quiet"}), 0);
        QCOMPARE(Contents(out), QByteArray("Id\r\n\r\n"));
    }
    // Not a rising type: refused before the output is touched.
    QCOMPARE(run(login() + QStringList{"--table", "Events", "--output", path("name.txt"), "--after-column", "Name"}), 1);
    QVERIFY2(errors_.contains("cannot tell new rows"), qPrintable(errors_));
    QVERIFY(!QFile::exists(path("name.txt")));
}

void JobsTest::onlyNewRowsAcrossRuns()
{
    const QString job = path("new.velloxa"), out = path("new.txt");
    QCOMPARE(run(login() + QStringList{"--table", "Events", "--columns", "Id,Name", "--no-header", "--output", out, "--after-column", "Id", "--save-job", job}),
             0);
    // A run killed midway moves nothing and leaves nothing behind.
    {
        test::SandboxServer slow({"--database", "Jobs=" + path("jobs.sqlite"), "--account", "tester:secret",
                                  "--row-delay-us", "2000000"});
        QVERIFY(slow.isRunning());
        const QByteArray saved = Contents(job);
        const QStringList before = Entries(folder_.path());
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VELLOXA_PASSWORD", "secret");
        cli.setProcessEnvironment(environment);
        cli.start(CliProgram(), {"--job", job, "--port", QString::number(slow.port())});
        QVERIFY(cli.waitForStarted());
        QTest::qWait(1000);
        QCOMPARE(cli.state(), QProcess::Running);
        cli.kill();
        cli.waitForFinished(5000);
        QCOMPARE(Contents(job), saved);
        QCOMPARE(Entries(folder_.path()), before);
    }

    // First run: all rows; then only those added since, three runs in all.
    QCOMPARE(run({"--job", job}), 0);
    QCOMPARE(Contents(out), QByteArray("1,one\r\n2,two\r\n\r\n"));
    insert("(4, '2024-02-01 00:00:00.0000000', x'00000000000007D4', 'four', '', NULL), "
           "(3, '2024-02-01 00:00:00.0000000', x'00000000000007D3', 'three', '', NULL)");
    QCOMPARE(run({"--job", job}), 0);
    QCOMPARE(Contents(out), QByteArray("3,three\r\n4,four\r\n\r\n"));
    QVERIFY(ReadJobFile(job).lastValue == "4");

    // A job file that cannot be written fails the run before anything is exported. Its folder
    // is locked: for root (who may write anywhere) by the immutable attribute.
    const QString locked = path("locked");
    QVERIFY(QDir().mkpath(locked));
    QVERIFY(QFile::copy(job, locked + "/new.velloxa"));
    const bool root = ::geteuid() == 0;
    const auto lock = [&](bool on) {
        return root ? QProcess::execute("chattr", {on ? "+i" : "-i", locked}) == 0
                    : ::chmod(qPrintable(locked), on ? 0500 : 0700) == 0;
    };
    if (lock(true)) {
        const int refused = run({"--job", locked + "/new.velloxa"});
        lock(false);
        QCOMPARE(refused, 1);
        QCOMPARE(Contents(out), QByteArray("3,three\r\n4,four\r\n\r\n"));
    } else {
        qInfo("The folder cannot be locked here (no chattr for root): the unwritable job file is not tried.");
    }

    insert("(5, '2024-03-01 00:00:00.0000000', x'00000000000007D5', 'five', '', NULL)");
    QCOMPARE(run({"--job", job}), 0);
    QCOMPARE(Contents(out), QByteArray("5,five\r\n\r\n"));
    QCOMPARE(ReadJobFile(job).lastValue, QString("5"));
    // Nothing new: an empty file, and the mark stays.
    QCOMPARE(run({"--job", job}), 0);
    QCOMPARE(Contents(out), QByteArray("\r\n"));
    QCOMPARE(ReadJobFile(job).lastValue, QString("5"));

    // A stored value is sent typed, never pasted into the statement.
    WriteFile(job, Contents(job).replace("last-value = 5", "last-value = 5 OR 1=1"));
    QCOMPARE(run({"--job", job}), 1);
    QVERIFY2(errors_.contains("is not an integer"), qPrintable(errors_));
}

void JobsTest::changedTableExitsWithThree()
{
    const QString out = path("changed.txt");
    WriteFile(out, OldContents);
    WriteFile(path("changed.velloxa"), "[login]\nserver = 127.0.0.1\nport = " + QByteArray::number(server_->port()) + "\ndatabase = Jobs\nuser = tester\n[export]\ntable = Events\n"
                                                                                                                      "column = Id\ncolumn = Gone\ncolumn = Also Gone\noutput = "
                  + out.toUtf8() + "\n");
    QCOMPARE(run({"--job", path("changed.velloxa")}), 3);
    QVERIFY2(errors_.contains("Gone, Also Gone"), qPrintable(errors_));
    QCOMPARE(Contents(out), OldContents);

    // New columns are not added: a note names them (not with --quiet).
    QCOMPARE(run({"--job", path("changed.velloxa"), "--columns", "Id,Name"}), 0);
    QVERIFY2(errors_.contains("At, Version, Note, Made"), qPrintable(errors_));
    QCOMPARE(run({"--job", path("changed.velloxa"), "--columns", "Id,Name", "--quiet"}), 0);
    QCOMPARE(errors_, QString());
}

void JobsTest::damagedJobFilesNameTheLine()
{
    const QList<std::pair<QByteArray, QString>> damaged{
        {"[export]\ntable = T\ncolour = red\n", "line 3: unknown key \"colour\" in [export]"},
        {"[export]\n\ntable = T\ntable = U\n", "line 4: the key \"table\" is given twice"},
        {"[login]\nserver = \"open\n", "line 2: the quoted value has no closing quote"},
        {"[exports]\n", "line 1: unknown section [exports]"},
        {"[export]\nheader = maybe\n", "line 2: \"maybe\" is neither yes nor no"},
        {"table T\n", "line 1: expected \"key = value\""},
        {"\xEF\xBB\xBF[export]\ncolumn =\n", "line 2: the value is empty"},
    };
    for (const auto& [text, message] : damaged) {
        WriteFile(path("damaged.velloxa"), text);
        QCOMPARE(run({"--job", path("damaged.velloxa")}), 2);
        QVERIFY2(errors_.contains(message), qPrintable(errors_));
    }
    QCOMPARE(run({"--job", path("missing.velloxa")}), 2);
}

void JobsTest::progressLineOnlyOnATerminal()
{
    if (QStandardPaths::findExecutable("script").isEmpty())
        QSKIP("script (util-linux) is needed to give the command line a terminal");
    // A second of rows, so that the line is drawn a few times.
    test::SandboxServer slow(CoreDatabase({"--row-delay-us", "200"}));
    QVERIFY(slow.isRunning());
    QStringList arguments = CliArguments("Many", path("many.txt"), slow.port()) + TesterPassword;
    for (QString& argument : arguments)
        argument = "'" + argument + "'";
    QProcess terminal;
    terminal.start("script", {"-qfec", CliProgram() + " " + arguments.join(' '), "/dev/null"});
    QVERIFY(terminal.waitForFinished(30000));
    QCOMPARE(terminal.exitCode(), 0);
    const QByteArray shown = terminal.readAllStandardOutput();
    QVERIFY2(shown.contains("rows/s\033[K\r") && shown.contains("%, ") && shown.contains(" left"), shown.constData());
    QVERIFY2(shown.endsWith("\r\033[K"), "the line is cleared at the end");

    // Into a log (not a terminal): errors only.
    QCOMPARE(run(CliArguments("Many", path("many.txt"), slow.port()) + TesterPassword), 0);
    QCOMPARE(errors_, QString());
}

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
