// The names an export run writes to: tables chosen by pattern, the names made for each table,
// and the names of split parts.

#include "export/ExportFiles.h"
#include "export/OutputName.h"
#include "export/TablePattern.h"

#include <QtTest>

using namespace velloxa;

class OutputNamesTest : public QObject {
    Q_OBJECT
private slots:
    void patternsMatchQualifiedNames();
    void namesPerTableStayInTheirFolder();
    void partNumbersGoBeforeTheExtensions();
};

void OutputNamesTest::patternsMatchQualifiedNames()
{
    QVERIFY(MatchesTablePattern("*", "dbo.Orders"));
    QVERIFY(MatchesTablePattern("sales.*", "SALES.Orders"));
    QVERIFY(MatchesTablePattern("*.orders", "sales.Orders"));
    QVERIFY(MatchesTablePattern("dbo.Ord?rs", "dbo.Orders"));
    QVERIFY(MatchesTablePattern("*a*b*", "xaxxbx"));
    QVERIFY(MatchesTablePattern("dbo.Odd]Name", "dbo.Odd]Name"));
    QVERIFY(MatchesTablePattern("dbo.[ab]", "dbo.[ab]")); // brackets are no class
    QVERIFY(!MatchesTablePattern("dbo.[ab]", "dbo.a"));
    QVERIFY(!MatchesTablePattern("Orders", "dbo.Orders")); // the schema is part of the name
    QVERIFY(!MatchesTablePattern("dbo.Orders", "dbo.OrdersOld"));
    QVERIFY(!MatchesTablePattern("*.a*b", "s.aXbY"));
    QVERIFY(!MatchesTablePattern("", "dbo.x"));
}

void OutputNamesTest::namesPerTableStayInTheirFolder()
{
    const QDateTime start(QDate(2026, 3, 4), QTime(5, 6, 7));
    QCOMPARE(ExpandOutputName("out/{schema}.{table}_{date}_{time}.csv", "sales", "Orders", start),
             QString("out/sales.Orders_2026-03-04_050607.csv"));
    // A name holding a placeholder or a path is taken as text, never as a folder.
    QCOMPARE(ExpandOutputName("out/{table}.csv", "dbo", "{schema}", start), QString("out/{schema}.csv"));
    QCOMPARE(ExpandOutputName("out/{schema}/{table}", "a/..", "..\\..\\etc", start), QString("out/a_../.._.._etc"));
    QCOMPARE(ExpandOutputName("{tab}{table", "dbo", "T", start), QString("{tab}{table"));
}

void OutputNamesTest::partNumbersGoBeforeTheExtensions()
{
    QCOMPARE(ExportFiles::PartName("out/orders.csv", 1), QString("out/orders.0001.csv"));
    QCOMPARE(ExportFiles::PartName("out/orders.csv.zst", 2), QString("out/orders.0002.csv.zst"));
    QCOMPARE(ExportFiles::PartName("out/orders.csv.GZ", 3), QString("out/orders.0003.csv.GZ"));
    QCOMPARE(ExportFiles::PartName("my.dir/orders", 12345), QString("my.dir/orders.12345"));
    QCOMPARE(ExportFiles::PartName("out/.hidden", 1), QString("out/.hidden.0001"));
    QCOMPARE(ExportFiles::PartName("data.zst", 1), QString("data.0001.zst"));
}

QTEST_GUILESS_MAIN(OutputNamesTest)
#include "tst_output_names.moc"
