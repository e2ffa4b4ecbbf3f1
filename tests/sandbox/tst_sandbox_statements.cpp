// The statements the product sends, translated for SQLite, and the errors of bad ones with
// SQL Server's numbers, texts and SQLSTATEs; after an error the connection stays usable.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

using namespace velloxa::test;

class SandboxStatementsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        shop_ = std::make_unique<ShopSession>();
        QVERIFY2(shop_->ready(), qPrintable(shop_->problem()));
    }

    void runsProductStatements_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("preview with schema and TOP") << "SELECT TOP 100 * FROM [dbo].[Orders];"
                                                     << QList<QStringList>{{"1", "Anna", "10.50"}, {"2", "Bert", QString()}, {"3", "Cleo", "7.25"}};
        QTest::newRow("TOP limits") << "SELECT TOP 2 [Id] FROM [Orders]" << QList<QStringList>{{"1"}, {"2"}};
        QTest::newRow("TOP in parentheses") << "SELECT TOP (1) [Id] FROM [Orders]" << QList<QStringList>{{"1"}};
        QTest::newRow("export with bracket escape") << "SELECT [Id], [Last Name] FROM [sales].[Odd]]Name]" << QList<QStringList>{{"1", "Smith"}};
        QTest::newRow("unqualified is dbo") << "SELECT [Name] FROM [Customers]" << QList<QStringList>{{"Dbo Anna"}};
        QTest::newRow("other schema") << "SELECT [Name] FROM [sales].[Customers]" << QList<QStringList>{{"Sales Anna"}};
        QTest::newRow("database..name") << "SELECT [Name] FROM Shop..Customers" << QList<QStringList>{{"Dbo Anna"}};
        QTest::newRow("blank in names") << "SELECT [Order Id] FROM [Order Details]" << QList<QStringList>{{"1"}};
        QTest::newRow("view") << "SELECT TOP 100 * FROM [Big Orders];" << QList<QStringList>{{"1", "10.50", "21", "xAnna"}};
        QTest::newRow("session statement first") << "SET NOCOUNT ON; SELECT N'ü' AS [u]" << QList<QStringList>{{"ü"}};
        QTest::newRow("default schema") << "SELECT SCHEMA_NAME()" << QList<QStringList>{{"dbo"}};
        QTest::newRow("alias.column") << "SELECT o.[Id] FROM [Orders] AS o WHERE o.Id = 3" << QList<QStringList>{{"3"}};
    }
    void runsProductStatements()
    {
        QFETCH(QString, sql);
        QFETCH(QList<QStringList>, rows);
        const Result r = shop_->client.query(sql);
        QVERIFY2(r.ok, r.errors.isEmpty() ? "" : qPrintable(r.errors.first().message));
        QCOMPARE(r.rows, rows);
    }

    void reportsErrorsLikeSqlServer_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("native");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown table") << "SELECT TOP 100 * FROM [Nope];" << "42S02" << 208 << "Invalid object name 'Nope'.";
        QTest::newRow("unknown schema-qualified table") << "SELECT * FROM [dbo].[Nope]" << "42S02" << 208 << "Invalid object name 'dbo.Nope'.";
        QTest::newRow("table of another schema unqualified") << "SELECT * FROM [Odd]]Name]" << "42S02" << 208 << "Invalid object name 'Odd]Name'.";
        QTest::newRow("unknown column") << "SELECT [Id], [Nope] FROM [Orders]" << "42S22" << 207 << "Invalid column name 'Nope'.";
        QTest::newRow("unescaped bracket") << "SELECT [Id] FROM [Odd]Name]" << "42000" << 102 << "Incorrect syntax near ']'.";
        QTest::newRow("misspelt keyword") << "SELECT * FORM [Orders]" << "42000" << 102 << "Incorrect syntax near 'FORM'.";
        QTest::newRow("unfinished") << "SELECT * FROM" << "42000" << 102 << "Incorrect syntax near 'FROM'.";
        QTest::newRow("unclosed bracket") << "SELECT * FROM [Orders" << "42000" << 105 << "Unclosed quotation mark after the character string 'Orders'.";
        QTest::newRow("unknown database") << "USE [Nowhere]" << "08004" << 911
                                          << "Database 'Nowhere' does not exist. Make sure that the name is entered correctly.";
    }
    void reportsErrorsLikeSqlServer()
    {
        QFETCH(QString, sql);
        QFETCH(QString, state);
        QFETCH(int, native);
        QFETCH(QString, message);
        const Result r = shop_->client.query(sql);
        QVERIFY(!r.ok);
        QVERIFY(!r.errors.isEmpty());
        QCOMPARE(r.errors.first().state, state);
        QCOMPARE(r.errors.first().native, native);
        QCOMPARE(r.errors.first().message, "[FreeTDS][SQL Server]" + message);

        const Result next = shop_->client.query("SELECT COUNT(*) FROM [Orders]");
        QVERIFY2(next.ok, "the connection stays usable after an error");
        QCOMPARE(next.rows, QList<QStringList>{{"3"}});
    }

    void useSwitchesDatabase()
    {
        OdbcClient client;
        QVERIFY(client.connect(testerConnectionString(shop_->server)));
        QVERIFY(client.query("USE [Types]").ok);
        QCOMPARE(client.query("SELECT COUNT(*) FROM [AllTypes]").rows, QList<QStringList>{{"2"}});
        QVERIFY(!client.query("SELECT * FROM [Orders]").ok);
    }

private:
    std::unique_ptr<ShopSession> shop_;
};

QTEST_GUILESS_MAIN(SandboxStatementsTest)
#include "tst_sandbox_statements.moc"
