// Starts the sandbox server (bin/velloxa-sandbox) as a child process for one test and stops it
// again: integration tests talk to it through the real ODBC driver.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

namespace velloxa::test {

class SandboxServer {
public:
    // Waits (up to about 10 s) until the server listens. Port 0: any free port.
    explicit SandboxServer(const QStringList& arguments, quint16 port = 0);
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    bool isRunning() const;
    QString errorString() const;
    quint16 port() const;
    QString server() const; // "127.0.0.1,<port>"
    QString connectionString(const QString& database, const QString& user, const QString& password) const;

private:
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    QString error_;
};

QString sandboxExecutable();
QString testDataPath(const QString& relative); // a file under tests/data of the source tree

} // namespace velloxa::test
