// --browser: "Server=localhost\SQLEXPRESS" (no port) reaches the server through the
// SQL Server Browser look-up on UDP 1434.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

using namespace velloxa::test;

class SandboxBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void instanceNameFindsThePort()
    {
        SandboxServer server(shopServerArguments({"--browser"}));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        for (const QString& host : {QStringLiteral("localhost\\SQLEXPRESS"), QStringLiteral("127.0.0.1\\ANYNAME")}) {
            OdbcClient client;
            QVERIFY2(client.connect("Driver={SQL Server};Server=" + host + ";Database=Shop;Uid=tester;Pwd=Secret#1;"),
                     qPrintable(client.connectErrors().isEmpty() ? host : client.connectErrors().first().message));
            QCOMPARE(client.query("SELECT COUNT(*) FROM [Orders]").rows, QList<QStringList>{{"3"}});
        }
    }
};

QTEST_GUILESS_MAIN(SandboxBrowserTest)
#include "tst_sandbox_browser.moc"
