// What the sandbox tests share: the standard server arguments for the test databases, the
// account they log in with, and a server with one client already logged in.
#pragma once

#include "OdbcClient.h"
#include "SandboxServer.h"

#include <QStringList>

namespace velloxa::test {

inline const QString kTester = QStringLiteral("tester"), kTesterPassword = QStringLiteral("Secret#1");

inline QStringList shopServerArguments(const QStringList& extra = {})
{
    return QStringList{"--database", "Shop=" + testDataPath("sandbox/shop.sql"),
                       "--database", "Types=" + testDataPath("sandbox/types.sql"),
                       "--account", kTester + ":" + kTesterPassword, "--account", "other:pw"}
           + extra;
}

inline QString testerConnectionString(const SandboxServer& server, const QString& database = QStringLiteral("Shop"))
{
    return server.connectionString(database, kTester, kTesterPassword);
}

// A server on shopServerArguments(extra) and a client logged in to `database` as the tester.
struct ShopSession {
    explicit ShopSession(const QStringList& extra = {}, const QString& database = QStringLiteral("Shop"))
        : server(shopServerArguments(extra))
    {
        if (server.isRunning()) client.connect(testerConnectionString(server, database));
    }

    bool ready() const { return client.isConnected(); }
    // Why the session is not ready, for the test's failure message.
    QString problem() const
    {
        if (!server.isRunning()) return server.errorString();
        return client.connectErrors().isEmpty() ? QStringLiteral("the login failed") : client.connectErrors().first().message;
    }

    SandboxServer server; // declared first: the client logs out before the server stops
    OdbcClient client;
};

} // namespace velloxa::test
