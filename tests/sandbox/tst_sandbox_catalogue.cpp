// SQLTables through the driver (the sp_tables procedure): columns, order, schemas, system
// tables and the restrictions by type, schema, name pattern and catalog.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

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
        QCOMPARE(listing(r), (QStringList{
                                 "SYSTEM TABLE sys.syscolumns", "SYSTEM TABLE sys.sysindexes", "SYSTEM TABLE sys.sysobjects",
                                 "SYSTEM TABLE sys.sysusers", "TABLE dbo.Customers", "TABLE dbo.Numbers", "TABLE dbo.Order Details",
                                 "TABLE dbo.Orders", "TABLE dbo.sysdiagrams", "TABLE sales.Customers", "TABLE sales.Odd]Name",
                                 "VIEW dbo.Big Orders"}));
        for (const QStringList& row : r.rows) {
            QCOMPARE(row[0], QString("Shop"));
            QVERIFY(row[4].isNull());
        }
    }

    void restrictsByTypeList()
    {
        const Result r = shop_->client.tables({}, {}, {}, "'TABLE','VIEW'");
        QVERIFY(r.ok);
        QCOMPARE(listing(r), (QStringList{"TABLE dbo.Customers", "TABLE dbo.Numbers", "TABLE dbo.Order Details", "TABLE dbo.Orders",
                                          "TABLE dbo.sysdiagrams", "TABLE sales.Customers", "TABLE sales.Odd]Name",
                                          "VIEW dbo.Big Orders"}));
        QCOMPARE(listing(shop_->client.tables({}, {}, {}, "VIEW")), QStringList{"VIEW dbo.Big Orders"});
    }

    void restrictsBySchemaAndNamePatterns()
    {
        QCOMPARE(listing(shop_->client.tables({}, "sales", {}, {})), (QStringList{"TABLE sales.Customers", "TABLE sales.Odd]Name"}));
        QCOMPARE(listing(shop_->client.tables({}, {}, "%order%", {})),
                 (QStringList{"TABLE dbo.Order Details", "TABLE dbo.Orders", "VIEW dbo.Big Orders"}));
        QCOMPARE(listing(shop_->client.tables({}, "dbo", "Order_", {})), QStringList{"TABLE dbo.Orders"});
        QCOMPARE(listing(shop_->client.tables({}, {}, "Customers", {})), (QStringList{"TABLE dbo.Customers", "TABLE sales.Customers"}));
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
