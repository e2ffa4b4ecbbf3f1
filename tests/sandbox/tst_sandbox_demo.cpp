// The demo database (sandbox/sample/demo.sql) as the product meets it: the catalogue, and the
// preview statement on every table and view it lists.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

using namespace velloxa::test;

class SandboxDemoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<SandboxServer>(QStringList{"--database", "Demo=" + testDataPath("../../sandbox/sample/demo.sql"),
                                                              "--account", "demo:demo123"});
        QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
        QVERIFY(client_.connect(server_->connectionString("Demo", "demo", "demo123")));
    }

    void catalogueHoldsTheAwkwardCases()
    {
        const Result r = client_.tables({}, {}, {}, {});
        QVERIFY(r.ok);
        QStringList names;
        for (const QStringList& row : r.rows)
            if (row[3] == "TABLE" || row[3] == "VIEW") names << row[1] + "." + row[2];
        for (const char* expected : {"dbo.Customers", "sales.Customers", "dbo.Order Details", "dbo.Odd]Name", "sales.Odd]Name",
                                     "dbo.Customer Orders", "dbo.ANALYSIS", "dbo.sysdiagrams", "dbo.MySystemLog", "dbo.Sys_Users"})
            QVERIFY2(names.contains(expected), expected);
    }

    void everyListedObjectPreviews()
    {
        const Result catalogue = client_.tables({}, "dbo", {}, "'TABLE','VIEW'");
        QVERIFY(catalogue.ok);
        for (const QStringList& row : catalogue.rows) {
            if (row[2].contains(']')) continue; // the product's own statement cannot name it
            const Result preview = client_.query("SELECT TOP 100 * FROM [" + row[2] + "];");
            QVERIFY2(preview.ok, qPrintable(row[2] + ": " + (preview.errors.isEmpty() ? QString() : preview.errors.first().message)));
            QVERIFY2(!preview.columns.isEmpty(), qPrintable(row[2]));
        }
    }

    void bigTableAndTrickyValues()
    {
        QCOMPARE(client_.query("SELECT COUNT(*) FROM [Events]").rows, QList<QStringList>{{"100000"}});
        const Result r = client_.query("SELECT [Name], [Notes] FROM [Customers] WHERE [CustomerId] IN (2, 3, 4)");
        QVERIFY(r.ok);
        QCOMPARE(r.rows, (QList<QStringList>{{"Café \"Le Petit\", SARL", "Pays in €; asks for \"proper\" invoices"},
                                             {"Østergaard & Sønner", "Line one\nLine two"},
                                             {"日本商事株式会社", QString()}}));
    }

private:
    std::unique_ptr<SandboxServer> server_;
    OdbcClient client_;
};

QTEST_GUILESS_MAIN(SandboxDemoTest)
#include "tst_sandbox_demo.moc"
