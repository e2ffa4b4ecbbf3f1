#include "SandboxServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace velloxa::test {
namespace {
const QByteArray kReadyLine = "velloxa-sandbox listening on port ";
constexpr int kStartTimeoutMs = 10'000;
constexpr int kStopTimeoutMs = 3'000;
} // namespace

SandboxServer::SandboxServer(const QStringList& arguments, quint16 port) : process_(std::make_unique<QProcess>())
{
    // The server's own messages go straight to the test's output.
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // A test that crashes or is killed takes its server with it instead of leaving it running.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    process_->start(sandboxExecutable(), QStringList(arguments) << QStringLiteral("--port") << QString::number(port));
    if (!process_->waitForStarted(kStartTimeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2").arg(sandboxExecutable(), process_->errorString());
        return;
    }
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        while (process_->canReadLine()) {
            const QByteArray line = process_->readLine().trimmed();
            if (line.startsWith(kReadyLine)) {
                port_ = quint16(line.mid(kReadyLine.size()).toUInt());
                return;
            }
        }
        if (process_->state() != QProcess::Running) break;
        process_->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    if (process_->state() == QProcess::Running) {
        error_ = QStringLiteral("velloxa-sandbox did not report its port within %1 ms").arg(kStartTimeoutMs);
        process_->kill();
        process_->waitForFinished(kStopTimeoutMs);
    } else {
        error_ = QStringLiteral("velloxa-sandbox ended with exit code %1 before listening (its messages are above)")
                     .arg(process_->exitCode());
    }
}

SandboxServer::~SandboxServer()
{
    if (process_->state() == QProcess::NotRunning) return;
    process_->terminate();
    if (!process_->waitForFinished(kStopTimeoutMs)) {
        process_->kill();
        process_->waitForFinished(kStopTimeoutMs);
    }
}

bool SandboxServer::isRunning() const
{
    return port_ != 0 && process_->state() == QProcess::Running;
}

QString SandboxServer::errorString() const
{
    return error_;
}

quint16 SandboxServer::port() const
{
    return port_;
}

QString SandboxServer::server() const
{
    return QStringLiteral("127.0.0.1,%1").arg(port_);
}

QString SandboxServer::connectionString(const QString& database, const QString& user, const QString& password) const
{
    return QStringLiteral("Driver={SQL Server};Server=%1;Database=%2;Uid=%3;Pwd=%4;").arg(server(), database, user, password);
}

QString sandboxExecutable()
{
    return QStringLiteral(VELLOXA_SANDBOX_EXECUTABLE);
}

QString testDataPath(const QString& relative)
{
    return QDir(QStringLiteral(VELLOXA_TEST_DATA_DIR)).filePath(relative);
}

} // namespace velloxa::test
