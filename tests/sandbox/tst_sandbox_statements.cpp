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
        // Integer division truncates; * and / bind alike, from the left.
        QTest::newRow("division") << "SELECT 7 / 2, -7 / 2, 7.0 / 2, 2 * 7 / 4, 100 / 5 / 2, 100 / (10 / 2), COUNT(*) / 2, [Total] / NULL FROM [Orders] WHERE [Id] = 1"
                                  << QList<QStringList>{{"3", "-3", "3.5", "3", "10", "20", "0", QString()}};
        QTest::newRow("integer casts") << "SELECT CAST('42' AS int), CAST(1.9 AS tinyint), CAST(CAST(' -7 ' AS int) AS smallint)"
                                       << QList<QStringList>{{"42", "1", "-7"}};
        QTest::newRow("alias.column") << "SELECT o.[Id] FROM [Orders] AS o WHERE o.Id = 3" << QList<QStringList>{{"3"}};
        // The row count a server keeps: a heap is index 0, a clustered index (a primary key) 1,
        // each further index 2 and up, every one holding all rows; views have no partitions.
        QTest::newRow("kept row count")
            << "SELECT SUM(p.rows) FROM sys.partitions AS p WHERE p.object_id = OBJECT_ID(N'[dbo].[Orders]') AND p.index_id IN (0, 1)"
            << QList<QStringList>{{"3"}};
        QTest::newRow("partitions of every index") << "SELECT index_id, rows FROM sys.partitions WHERE object_id = OBJECT_ID('Orders') ORDER BY index_id"
                                                   << QList<QStringList>{{"1", "3"}, {"2", "3"}};
        QTest::newRow("heap in another schema") << "SELECT index_id, [rows] FROM [sys].[partitions] WHERE object_id = OBJECT_ID(N'[sales].[Odd]]Name]')"
                                                << QList<QStringList>{{"0", "1"}};
        QTest::newRow("view without partitions") << "SELECT COUNT(*), SUM(rows) FROM sys.partitions WHERE object_id = OBJECT_ID(N'[Big Orders]')"
                                                 << QList<QStringList>{{"0", QString()}};
        QTest::newRow("no such object") << "SELECT OBJECT_ID(N'Nope'), OBJECT_ID(N'[dbo].[Orders'), OBJECT_ID(N'Orders', N'V'), OBJECT_ID(N'Types.dbo.AllTypes')"
                                        << QList<QStringList>{{QString(), QString(), QString(), QString()}};
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
        QTest::newRow("catalog view other than sys.partitions") << "SELECT * FROM sys.objects" << "42S02" << 208 << "Invalid object name 'sys.objects'.";
        // The batch is compiled whole: had the first statement run, its result would have come first.
        QTest::newRow("syntax error in a later statement") << "SELECT 1 AS a SELECT * FORM [Orders]" << "42000" << 102 << "Incorrect syntax near 'FORM'.";
        QTest::newRow("undeclared variable") << "SELECT [Id] FROM [Orders] WHERE [Id] = @P1" << "42000" << 137 << "Must declare the scalar variable \"@P1\".";
        QTest::newRow("text cast to int") << "SELECT CAST([Customer] AS int) FROM [Orders]" << "22018" << 245
                                          << "Conversion failed when converting the varchar value 'Anna' to data type int.";
        QTest::newRow("divide by zero") << "SELECT [Id] FROM [Orders] WHERE [Id] / ([Id] - 1) > 0" << "22012" << 8134 << "Divide by zero error encountered.";
        QTest::newRow("cast out of range") << "SELECT CAST(300 AS tinyint)" << "HY019" << 8115 << "Arithmetic overflow error converting expression to data type tinyint.";
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

    // A server names only columns and aliased expressions.
    void unnamedExpressionsHaveNoName()
    {
        const Result r = shop_->client.query("SELECT 1, Id, o.Customer, COUNT(*) AS n, Total * 2 Doubled, Id + 1, @@VERSION FROM [Orders] AS o GROUP BY Id");
        QVERIFY(r.ok);
        QStringList names;
        for (const ColumnDescription& c : r.columns) names << c.name;
        QCOMPARE(names, (QStringList{"", "Id", "Customer", "n", "Doubled", "", ""}));
    }

    // One object, however its name is written; objects of the same name elsewhere differ.
    void objectIdResolvesNames()
    {
        const Result r = shop_->client.query(
            "SELECT OBJECT_ID(N'Orders'), OBJECT_ID(N'[dbo].[Orders]'), OBJECT_ID(N'Shop..ORDERS'), OBJECT_ID(N'[Shop].[dbo].[orders]'),"
            " OBJECT_ID(N'\"dbo\".\"Orders\"'), OBJECT_ID(N'Orders', N'U'), OBJECT_ID(N'Customers'), OBJECT_ID(N'sales.Customers'),"
            " OBJECT_ID(N'[Big Orders]', 'V')");
        QVERIFY(r.ok);
        const QStringList ids = r.rows.value(0);
        QCOMPARE(ids.size(), 9);
        QVERIFY(!ids[0].isNull());
        for (int i = 1; i < 6; ++i) QCOMPARE(ids[i], ids[0]);
        QCOMPARE(QSet<QString>(ids.begin() + 5, ids.end()).size(), 4);
    }

    void useSwitchesDatabase()
    {
        OdbcClient client;
        QVERIFY(client.connect(testerConnectionString(shop_->server)));
        QVERIFY(client.query("USE [Types]").ok);
        QCOMPARE(client.query("SELECT COUNT(*) FROM [AllTypes]").rows, QList<QStringList>{{"2"}});
        QVERIFY(!client.query("SELECT * FROM [Orders]").ok);
        QCOMPARE(client.query("SELECT SUM(rows) FROM sys.partitions WHERE object_id = OBJECT_ID('AllTypes')").rows,
                 QList<QStringList>{{"2"}});
    }

private:
    std::unique_ptr<ShopSession> shop_;
};

QTEST_GUILESS_MAIN(SandboxStatementsTest)
#include "tst_sandbox_statements.moc"
