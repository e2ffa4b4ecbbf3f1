// Logging in through the real driver: accepted accounts, and each way a login is refused.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

using namespace velloxa::test;

class SandboxLoginTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<SandboxServer>(shopServerArguments());
        QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
    }

    void acceptsKnownAccounts_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("first account") << "Shop" << "tester" << "Secret#1";
        QTest::newRow("second account, other database") << "Types" << "other" << "pw";
        QTest::newRow("database name in other case") << "shop" << "tester" << "Secret#1";
    }
    void acceptsKnownAccounts()
    {
        QFETCH(QString, database);
        QFETCH(QString, user);
        QFETCH(QString, password);
        OdbcClient client;
        QVERIFY(client.connect(server_->connectionString(database, user, password)));
        const Result r = client.query("SELECT 1");
        QVERIFY(r.ok);
        QCOMPARE(r.rows, QList<QStringList>{{"1"}});
    }

    void refusesBadCredentials_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "tester" << "secret#1";
        QTest::newRow("unknown user") << "nobody" << "Secret#1";
        QTest::newRow("empty password") << "tester" << "";
    }
    void refusesBadCredentials()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        OdbcClient client;
        QVERIFY(!client.connect(server_->connectionString("Shop", user, password)));
        QVERIFY(!client.connectErrors().isEmpty());
        const Diagnostic& e = client.connectErrors().first();
        QCOMPARE(e.state, QString("42000"));
        QCOMPARE(e.native, 18456);
        QCOMPARE(e.message, QString("[FreeTDS][SQL Server]Login failed for user '%1'.").arg(user));
    }

    void servesAnSqliteFileDatabase()
    {
        SandboxServer server({"--database", "Things=" + testDataPath("sandbox/things.sqlite"), "--account", "u:p"});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        OdbcClient client;
        QVERIFY(client.connect(server.connectionString("Things", "u", "p")));
        QCOMPARE(client.query("SELECT [Name] FROM [dbo].[Things]").rows, QList<QStringList>{{"from a file"}});
        QVERIFY2(!client.query("DELETE FROM [Things]").ok, "databases are read-only");
    }

    void refusesUnknownDatabase()
    {
        OdbcClient client;
        QVERIFY(!client.connect(testerConnectionString(*server_, "Nowhere")));
        const QList<Diagnostic>& errors = client.connectErrors();
        // As from SQL Server: the driver lists the login failure first, then the reason.
        QCOMPARE(errors.size(), 3);
        QCOMPARE(errors[0].native, 18456);
        QCOMPARE(errors[0].message, QString("[FreeTDS][SQL Server]Login failed for user 'tester'."));
        QCOMPARE(errors[1].state, QString("42000"));
        QCOMPARE(errors[1].native, 4060);
        QCOMPARE(errors[1].message,
                 QString("[FreeTDS][SQL Server]Cannot open database \"Nowhere\" requested by the login. The login failed."));
        QCOMPARE(errors[2].state, QString("08001"));
    }

    void refuseLoginsSwitchRefusesEveryone()
    {
        SandboxServer refusing(shopServerArguments({"--refuse-logins"}));
        QVERIFY2(refusing.isRunning(), qPrintable(refusing.errorString()));
        OdbcClient client;
        QVERIFY(!client.connect(testerConnectionString(refusing)));
        QCOMPARE(client.connectErrors().first().native, 18456);
        QCOMPARE(client.connectErrors().first().message, QString("[FreeTDS][SQL Server]Login failed for user 'tester'."));
    }

    void serverKeepsAcceptingAfterRefusals()
    {
        OdbcClient refused;
        QVERIFY(!refused.connect(server_->connectionString("Shop", "tester", "wrong")));
        OdbcClient accepted;
        QVERIFY(accepted.connect(testerConnectionString(*server_)));
    }

private:
    std::unique_ptr<SandboxServer> server_;
};

QTEST_GUILESS_MAIN(SandboxLoginTest)
#include "tst_sandbox_login.moc"
