// The fault switches as a client sees them, and cancelling a running result (ATTENTION).
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <sqlext.h>

using namespace velloxa::test;

class SandboxFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void closeAfterRowsFailsTheFetchAfterThoseRows()
    {
        ShopSession shop({"--close-after-rows", "10"});
        QVERIFY2(shop.ready(), qPrintable(shop.problem()));
        const Result r = shop.client.query("SELECT * FROM [Numbers]");
        QVERIFY(!r.ok);
        QCOMPARE(r.rows.size(), 10);
        QCOMPARE(r.rows.last(), (QStringList{"10", "row 10"}));
        QVERIFY(!r.errors.isEmpty());
        QCOMPARE(r.errors.first().native, 20017);
        QCOMPARE(r.errors.first().message, QString("[FreeTDS][SQL Server]Unexpected EOF from the server"));
    }

    void answerDelayHoldsEveryAnswer()
    {
        SandboxServer server(shopServerArguments({"--answer-delay-ms", "600"}));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        OdbcClient client;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(client.connect(testerConnectionString(server)));
        QVERIFY(clock.elapsed() >= 600);
        clock.restart();
        QCOMPARE(client.query("SELECT 1").rows, QList<QStringList>{{"1"}});
        QVERIFY(clock.elapsed() >= 600);
    }

    void rowDelaySlowsEachRow()
    {
        ShopSession shop({"--row-delay-us", "3000"});
        QVERIFY2(shop.ready(), qPrintable(shop.problem()));
        QElapsedTimer clock;
        clock.start();
        const Result r = shop.client.query("SELECT TOP 200 * FROM [Numbers]");
        QVERIFY(r.ok);
        QCOMPARE(r.rows.size(), 200);
        QVERIFY2(clock.elapsed() >= 600, qPrintable(QString::number(clock.elapsed())));
    }

    void cancelStopsARunningResult_data()
    {
        QTest::addColumn<QStringList>("encryption");
        QTest::newRow("clear") << QStringList();
        QTest::newRow("ATTENTION inside TLS") << QStringList{"--encryption", "required"};
    }
    void cancelStopsARunningResult()
    {
        QFETCH(QStringList, encryption);
        // 5000 rows at 2 ms each would take 10 s; the cancel must end the result at once.
        ShopSession shop(QStringList{"--row-delay-us", "2000"} + encryption);
        QVERIFY2(shop.ready(), qPrintable(shop.problem()));
        QElapsedTimer clock;
        clock.start();
        SQLHSTMT statement = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, shop.client.connection(), &statement);
        std::u16string sql = u"SELECT * FROM [Numbers]";
        QVERIFY(SQL_SUCCEEDED(SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS)));
        for (int i = 0; i < 3; ++i) QVERIFY(SQL_SUCCEEDED(SQLFetch(statement)));
        QVERIFY(SQL_SUCCEEDED(SQLCancel(statement)));
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        QCOMPARE(shop.client.query("SELECT COUNT(*) FROM [Numbers]").rows, QList<QStringList>{{"5000"}});
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(SandboxFaultsTest)
#include "tst_sandbox_faults.moc"
