// Encrypted connections through the real driver: TLS run as SQL Server runs it (the handshake
// inside PRELOGIN packets), the very answers a clear connection gets, the packet size an
// encrypted connection is held to, and the logins that fail when the sides cannot agree.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

#include <sqlext.h>

using namespace velloxa::test;

namespace {

// Enough of what a session gets back to show any damage on the way: thousands of rows over
// many packets, every type, and the catalogue.
QList<QList<QStringList>> answers(OdbcClient& client)
{
    return {client.query("SELECT * FROM [Numbers]").rows, client.query("SELECT * FROM [Types]..[AllTypes]").rows,
            client.tables(QString(), QString(), QString(), QString()).rows};
}

QStringList messages(const QList<Diagnostic>& diagnostics)
{
    QStringList texts;
    for (const Diagnostic& d : diagnostics) texts << "[" + d.state + "]" + d.message;
    return texts;
}

SQLUINTEGER packetSize(const OdbcClient& client)
{
    SQLUINTEGER size = 0;
    SQLGetConnectAttr(client.connection(), SQL_ATTR_PACKET_SIZE, &size, 0, nullptr);
    return size;
}

} // namespace

class SandboxEncryptionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const QString mode : {"none", "login", "required"}) {
            servers_[mode] = std::make_shared<SandboxServer>(shopServerArguments({"--encryption", mode}));
            QVERIFY2(servers_[mode]->isRunning(), qPrintable(servers_[mode]->errorString()));
        }
        OdbcClient clear;
        QVERIFY(clear.connect(testerConnectionString(*servers_["none"])));
        clearAnswers_ = answers(clear);
        QCOMPARE(clearAnswers_[0].size(), 5000);
    }

    // The driver's Encryption= key: unset, FreeTDS's PRELOGIN says "off" (able, not asking);
    // "require" says "on"; "off" says "not supported".
    void answersAsInClear_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("clientSetting");
        QTest::newRow("required, driver default") << "required" << "";
        QTest::newRow("required, client asks") << "required" << "Encryption=require;";
        QTest::newRow("login only: LOGIN7 through TLS, then clear") << "login" << "";
        QTest::newRow("login, client asks: all through TLS") << "login" << "Encryption=require;";
        QTest::newRow("login, client cannot: all clear") << "login" << "Encryption=off;";
    }
    void answersAsInClear()
    {
        QFETCH(QString, mode);
        QFETCH(QString, clientSetting);
        OdbcClient client;
        QVERIFY2(client.connect(testerConnectionString(*servers_[mode]) + clientSetting),
                 qPrintable(messages(client.connectErrors()).join('\n')));
        QCOMPARE(answers(client), clearAnswers_);
    }

    void loginFailsWhenTheSidesCannotAgree_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("clientSetting");
        QTest::addColumn<QStringList>("expected");
        // The server answers "required" and hangs up; FreeTDS 1.3.17 has begun a handshake anyway.
        QTest::newRow("server requires, client cannot")
            << "required" << "Encryption=off;"
            << QStringList{"[08001][FreeTDS][SQL Server]Unable to connect to data source",
                           "[01000][FreeTDS][SQL Server]Unexpected EOF from the server",
                           "[01000][FreeTDS][SQL Server]Adaptive Server connection failed",
                           "[01000][FreeTDS][SQL Server]Adaptive Server connection failed"};
        // The server answers "not supported"; the driver gives up before the LOGIN7.
        QTest::newRow("client requires, server cannot")
            << "none" << "Encryption=require;"
            << QStringList{"[08001][FreeTDS][SQL Server]Unable to connect to data source",
                           "[01000][FreeTDS][SQL Server]Adaptive Server connection failed",
                           "[01000][FreeTDS][SQL Server]Adaptive Server connection failed"};
    }
    void loginFailsWhenTheSidesCannotAgree()
    {
        QFETCH(QString, mode);
        QFETCH(QString, clientSetting);
        QFETCH(QStringList, expected);
        OdbcClient refused;
        QVERIFY(!refused.connect(testerConnectionString(*servers_[mode]) + clientSetting));
        QCOMPARE(messages(refused.connectErrors()), expected);
        OdbcClient next;
        QVERIFY2(next.connect(testerConnectionString(*servers_[mode])), "the server goes on serving");
    }

    void encryptionHoldsThePacketSizeTo16383_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("clientSetting");
        QTest::addColumn<uint>("confirmed");
        QTest::newRow("clear, default") << "none" << "" << 4096u;
        QTest::newRow("clear, largest") << "none" << "PacketSize=32767;" << 32767u;
        QTest::newRow("encrypted, below the cap") << "required" << "PacketSize=8192;" << 8192u;
        QTest::newRow("encrypted, above the cap") << "required" << "PacketSize=32767;" << 16383u;
        QTest::newRow("LOGIN7 only encrypted: no cap") << "login" << "PacketSize=32767;" << 32767u;
    }
    void encryptionHoldsThePacketSizeTo16383()
    {
        QFETCH(QString, mode);
        QFETCH(QString, clientSetting);
        QFETCH(uint, confirmed);
        OdbcClient client;
        QVERIFY(client.connect(testerConnectionString(*servers_[mode]) + clientSetting));
        QCOMPARE(uint(packetSize(client)), confirmed);
        QCOMPARE(client.query("SELECT * FROM [Numbers]").rows, clearAnswers_[0]);
    }

private:
    std::map<QString, std::shared_ptr<SandboxServer>> servers_;
    QList<QList<QStringList>> clearAnswers_;
};

QTEST_GUILESS_MAIN(SandboxEncryptionTest)
#include "tst_sandbox_encryption.moc"
