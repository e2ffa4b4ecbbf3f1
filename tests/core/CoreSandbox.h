// The Core test database on a sandbox server, with the login "tester" / "secret", and the
// command line pointed at it.
#pragma once

#include "SandboxServer.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace velloxa::testing {

inline QStringList CoreDatabase(const QStringList& extra = {})
{
    return QStringList{"--database", "Core=" + test::testDataPath("core/core.sql"), "--account", "tester:secret"} + extra;
}

inline QString CliProgram()
{
    return QCoreApplication::applicationDirPath() + "/velloxa-export";
}

// An export of `table` to `file`; the password is left to the test, which may give it otherwise.
inline QStringList CliArguments(const QString& table, const QString& file, quint16 port)
{
    return {"--server", "127.0.0.1", "--port", QString::number(port), "--database", "Core",
            "--user", "tester", "--table", table, "--output", file};
}

inline const QStringList TesterPassword{"--password", "secret"};

} // namespace velloxa::testing
