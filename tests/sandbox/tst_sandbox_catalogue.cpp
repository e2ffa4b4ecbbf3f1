// SQLTables through the driver (the sp_tables procedure): columns, order, schemas, system
// tables and views, the restrictions by type, schema, name pattern and catalog; and the catalog
// views and server functions a client reads.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

#include <algorithm>

using namespace velloxa::test;

namespace {

// "TYPE owner.name" per row, to compare whole listings at a glance.
QStringList listing(const Result& r)
{
    QStringList lines;
    for (const QStringList& row : r.rows) lines << row[3] + " " + row[1] + "." + row[2];
    return lines;
}

} // namespace

class SandboxCatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        shop_ = std::make_unique<ShopSession>();
        QVERIFY2(shop_->ready(), qPrintable(shop_->problem()));
    }

    void listsEverythingInSqlServerOrder()
    {
        const Result r = shop_->client.tables({}, {}, {}, {});
        QVERIFY(r.ok);
        QCOMPARE(r.columns.size(), 5);
        QStringList names;
        for (const ColumnDescription& c : r.columns) names << c.name;
        QCOMPARE(names, (QStringList{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
        // As a server lists them: its hidden base tables as "SYSTEM TABLE", its catalog and
        // INFORMATION_SCHEMA views as "VIEW" beside the user's views, sorted case-insensitively.
        const QStringList rows = listing(r);
        QCOMPARE(rows.mid(0, 13), (QStringList{
                                      "SYSTEM TABLE sys.sysallocunits", "SYSTEM TABLE sys.syscolpars", "SYSTEM TABLE sys.sysidxstats",
                                      "SYSTEM TABLE sys.sysrowsets", "SYSTEM TABLE sys.sysrscols", "SYSTEM TABLE sys.sysschobjs",
                                      "TABLE dbo.Customers", "TABLE dbo.Numbers", "TABLE dbo.Order Details", "TABLE dbo.Orders",
                                      "TABLE dbo.sysdiagrams", "TABLE sales.Customers", "TABLE sales.Odd]Name"}));
        const QStringList views = rows.mid(13);
        QCOMPARE(views.first(), QString("VIEW dbo.Big Orders"));
        for (const char* view : {"VIEW INFORMATION_SCHEMA.COLUMNS", "VIEW INFORMATION_SCHEMA.TABLES", "VIEW INFORMATION_SCHEMA.VIEWS",
                                 "VIEW sys.columns", "VIEW sys.objects", "VIEW sys.tables", "VIEW sys.sysobjects"})
            QVERIFY2(views.contains(view), view);
        QStringList sorted = views;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(views, sorted);
        QVERIFY(views.indexOf("VIEW INFORMATION_SCHEMA.VIEWS") < views.indexOf("VIEW sys.all_columns"));
        for (const QStringList& row : r.rows) {
            QCOMPARE(row[0], QString("Shop"));
            QVERIFY(row[4].isNull());
        }
    }

    void restrictsByTypeList()
    {
        const Result r = shop_->client.tables({}, {}, {}, "'TABLE','VIEW'");
        QVERIFY(r.ok);
        QCOMPARE(listing(r).mid(0, 8), (QStringList{"TABLE dbo.Customers", "TABLE dbo.Numbers", "TABLE dbo.Order Details", "TABLE dbo.Orders",
                                                    "TABLE dbo.sysdiagrams", "TABLE sales.Customers", "TABLE sales.Odd]Name",
                                                    "VIEW dbo.Big Orders"}));
        QCOMPARE(listing(shop_->client.tables({}, "dbo", {}, "VIEW")), QStringList{"VIEW dbo.Big Orders"});
    }

    void restrictsBySchemaAndNamePatterns()
    {
        QCOMPARE(listing(shop_->client.tables({}, "sales", {}, {})), (QStringList{"TABLE sales.Customers", "TABLE sales.Odd]Name"}));
        QCOMPARE(listing(shop_->client.tables({}, {}, "%order%", {})),
                 (QStringList{"TABLE dbo.Order Details", "TABLE dbo.Orders", "VIEW dbo.Big Orders"}));
        QCOMPARE(listing(shop_->client.tables({}, "dbo", "Order_", {})), QStringList{"TABLE dbo.Orders"});
        QCOMPARE(listing(shop_->client.tables({}, {}, "Customers", {})), (QStringList{"TABLE dbo.Customers", "TABLE sales.Customers"}));
    }

    void answersServerFunctions()
    {
        const Result r = shop_->client.query("SELECT @@VERSION, SERVERPROPERTY('ProductVersion'), DB_NAME(), SERVERPROPERTY('NoSuchProperty')");
        QVERIFY(r.ok);
        QVERIFY2(r.rows.value(0).value(0).startsWith("velloxa-sandbox - 16.0.4000.0"), qPrintable(r.rows.value(0).value(0)));
        QCOMPARE(r.rows.value(0).mid(1), (QStringList{"16.0.4000.0", "Shop", QString()}));
    }

    // What clients read to learn the tables and their columns, with SQL Server's ids and types.
    void catalogViewsDescribeTheLoadedObjects()
    {
        const Result schemas = shop_->client.query("SELECT name, schema_id FROM sys.schemas ORDER BY schema_id");
        QCOMPARE(schemas.rows, (QList<QStringList>{{"dbo", "1"}, {"guest", "2"}, {"INFORMATION_SCHEMA", "3"}, {"sys", "4"}, {"sales", "5"}}));
        const Result tables = shop_->client.query(
            "SELECT s.name, t.name, t.type FROM sys.tables AS t JOIN sys.schemas AS s ON s.schema_id = t.schema_id"
            " WHERE t.object_id = OBJECT_ID(N'sales.Customers') OR t.name = N'Orders'");
        QCOMPARE(tables.rows, (QList<QStringList>{{"dbo", "Orders", "U "}, {"sales", "Customers", "U "}}));
        const Result columns = shop_->client.query(
            "SELECT name, column_id, system_type_id, max_length, precision, scale, is_nullable FROM sys.columns"
            " WHERE object_id = OBJECT_ID('Orders') ORDER BY column_id");
        QCOMPARE(columns.rows, (QList<QStringList>{{"Id", "1", "56", "4", "10", "0", "0"},
                                                   {"Customer", "2", "231", "80", "0", "0", "1"},
                                                   {"Total", "3", "106", "9", "10", "2", "1"}}));
        const Result infoTables = shop_->client.query(
            "SELECT TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME LIKE '%Orders'");
        QCOMPARE(infoTables.rows, (QList<QStringList>{{"Shop", "dbo", "Orders", "BASE TABLE"}, {"Shop", "dbo", "Big Orders", "VIEW"}}));
        const Result infoColumns = shop_->client.query(
            "SELECT COLUMN_NAME, IS_NULLABLE, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE"
            " FROM [INFORMATION_SCHEMA].[COLUMNS] WHERE TABLE_NAME = 'Orders' ORDER BY ORDINAL_POSITION");
        QCOMPARE(infoColumns.rows, (QList<QStringList>{{"Id", "NO", "int", QString(), "10", "0"},
                                                       {"Customer", "YES", "nvarchar", "40", QString(), QString()},
                                                       {"Total", "YES", "decimal", QString(), "10", "2"}}));
    }

    void restrictsByCatalog()
    {
        QCOMPARE(shop_->client.tables("Shop", {}, "Orders", {}).rows.size(), 1);
        // Another catalog is another database, as "[Types]..sp_tables".
        const Result other = shop_->client.tables("Types", {}, {}, "'TABLE'");
        QVERIFY(other.ok);
        QCOMPARE(other.rows.size(), 1);
        QCOMPARE(other.rows[0][0], QString("Types"));
        QCOMPARE(other.rows[0][2], QString("AllTypes"));
        QVERIFY(!shop_->client.tables("Nowhere", {}, {}, {}).ok);
    }

private:
    std::unique_ptr<ShopSession> shop_;
};

QTEST_GUILESS_MAIN(SandboxCatalogueTest)
#include "tst_sandbox_catalogue.moc"
