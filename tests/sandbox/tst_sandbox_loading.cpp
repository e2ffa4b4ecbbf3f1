// What a database script may hold: the sandbox refuses at start, with the error a server gives
// at INSERT, any value no SQL Server column of that type could hold; and values with more
// fraction digits than their column keeps come out rounded, as a server stores them.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velloxa::test;

namespace {

QString writeScript(const QTemporaryDir& dir, const QString& sql)
{
    const QString path = dir.filePath("script.sql");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(sql.toUtf8());
    return path;
}

} // namespace

class SandboxLoadingTest : public QObject {
    Q_OBJECT

private slots:
    void refusesValuesOutsideTheirType_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("300 in a tinyint") << "tinyint"
                                          << "300"
                                          << "error 8115: Arithmetic overflow error converting expression to data type tinyint.";
        QTest::newRow("2^40 in an int") << "int"
                                        << "1099511627776"
                                        << "error 8115: Arithmetic overflow error converting expression to data type int.";
        QTest::newRow("text in an int") << "int"
                                        << "'abc'"
                                        << "error 245: Conversion failed when converting the varchar value 'abc' to data type int.";
        QTest::newRow("too many digits") << "decimal(5,2)"
                                         << "1234.5"
                                         << "error 8115: Arithmetic overflow error converting numeric to data type numeric.";
        QTest::newRow("text in a decimal") << "decimal(5,2)"
                                           << "'1,5'"
                                           << "error 8114: Error converting data type varchar to numeric.";
        QTest::newRow("no such day, datetime") << "datetime"
                                               << "'2024-02-30'"
                                               << "error 242: The conversion of a varchar data type to a datetime data type resulted in an out-of-range value.";
        QTest::newRow("no such day, date") << "date"
                                           << "'2023-02-29'"
                                           << "error 241: Conversion failed when converting date and/or time from character string.";
        QTest::newRow("before 1753") << "datetime"
                                     << "'1752-12-31'"
                                     << "error 242: The conversion of a varchar data type to a datetime data type resulted in an out-of-range value.";
        QTest::newRow("too long") << "varchar(3)"
                                  << "'abcd'"
                                  << "error 2628: String or binary data would be truncated in table 'Db.dbo.T', column 'c'. Truncated value: 'abc'.";
        QTest::newRow("not a GUID") << "uniqueidentifier"
                                    << "'xyz'"
                                    << "error 8169: Conversion failed when converting from a character string to uniqueidentifier.";
    }
    void refusesValuesOutsideTheirType()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString script = writeScript(dir, "CREATE TABLE T (Id int, c " + column + ");\nINSERT INTO T VALUES (1, NULL), (2, " + value + ");\n");
        QProcess sandbox;
        sandbox.start(sandboxExecutable(), {"--port", "0", "--database", "Db=" + script, "--account", "a:b"});
        QVERIFY(sandbox.waitForFinished(10000));
        QVERIFY(sandbox.exitCode() != 0);
        const QString message = QString::fromUtf8(sandbox.readAllStandardError());
        QVERIFY2(message.contains("database Db: table dbo.T, column c, row 2: " + error), qPrintable(message));
        QVERIFY(sandbox.readAllStandardOutput().isEmpty()); // it never listened
    }

    void acceptsWhatAServerAccepts()
    {
        QTemporaryDir dir;
        const QString script = writeScript(dir,
                                           "CREATE TABLE T (a tinyint, b bit, c char(3), d decimal(5,2), e datetime, f time(0), g datetime2(3), h smallmoney);\n"
                                           "INSERT INTO T VALUES (255, 'TRUE', 'ab   ', '-999.994', '2024-02-29 23:59:59.999', '23:59:59.5', "
                                           "'2024-12-31 23:59:59.9996', '214748.3647');\n");
        SandboxServer server({"--database", "Db=" + script, "--account", kTester + ":" + kTesterPassword});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        OdbcClient client;
        QVERIFY(client.connect(server.connectionString("Db", kTester, kTesterPassword)));
        // Fewer fraction digits than given round: to the next second, the next day.
        const Result r = client.query("SELECT f, g FROM T");
        QVERIFY(r.ok);
        QCOMPARE(r.rows, (QList<QStringList>{{"00:00:00", "2025-01-01 00:00:00.000"}}));
    }
};

QTEST_GUILESS_MAIN(SandboxLoadingTest)
#include "tst_sandbox_loading.moc"
