#include "settings/Keyring.h"

#include <QFileInfo>
#include <QThread>
#include <qt6keychain/keychain.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace velloxa {

const QString Keyring::Service = QStringLiteral("Velloxa");

namespace {

struct Answer {
    QKeychain::Error error = QKeychain::OtherError;
    QString text;
};

// Every call runs on one thread of the process's own, in its event loop: the Secret Service
// library binds its connection to the event loop of the thread that first used it, and later calls
// from elsewhere would wait forever for replies delivered there. The thread is never ended: a call
// that the keyring never answers may still be waiting on it when the program exits.
QObject& KeyringThread()
{
    static QObject* const context = [] {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("keyring"));
        thread->start();
        auto* object = new QObject;
        object->moveToThread(thread);
        return object;
    }();
    return *context;
}

// Starts one job on the keyring thread and waits at most `bound` for it. A job that does not
// finish in time is left to finish there: deleting it earlier would leave the keyring's late
// answer a dangling job.
std::optional<Answer> RunBounded(const std::function<QKeychain::Job*()>& makeJob, std::chrono::milliseconds bound)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Answer> answer;
    };
    auto shared = std::make_shared<Shared>();
    QMetaObject::invokeMethod(&KeyringThread(), [shared, makeJob] {
        QKeychain::Job* job = makeJob();
        QObject::connect(job, &QKeychain::Job::finished, job, [shared](QKeychain::Job* finished) {
            Answer answer{finished->error(), {}};
            if (const auto* reading = qobject_cast<const QKeychain::ReadPasswordJob*>(finished))
                answer.text = reading->textData();
            const std::lock_guard lock(shared->mutex);
            shared->answer = std::move(answer);
            shared->done.notify_all();
        });
        job->start(); // deletes itself once finished
    });
    std::unique_lock lock(shared->mutex);
    shared->done.wait_for(lock, bound, [&] { return shared->answer.has_value(); });
    return shared->answer;
}

template <typename JobType>
std::function<QKeychain::Job*()> Job(const QString& entry, const std::function<void(JobType&)>& prepare = {})
{
    return [entry, prepare] {
        auto* job = new JobType(Keyring::Service);
        job->setKey(entry);
        if (prepare)
            prepare(*job);
        return job;
    };
}

// Where the Secret Service is reached over D-Bus: is there a session bus at all? Without one the
// library would start a bus of its own through the X display (dbus-launch), and with it a keyring
// daemon that asks on screen for a new keyring's password, and leave both running: a machine
// without a session has no keyring to offer.
bool SessionBusExists()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        || (!runtimeFolder.isEmpty() && QFileInfo::exists(runtimeFolder + QStringLiteral("/bus")));
#else
    return true;
#endif
}

} // namespace

Keyring::Keyring(std::chrono::milliseconds bound) : bound_(bound), answers_(SessionBusExists()) {}

std::optional<QString> Keyring::read(const QString& entry)
{
    if (!answers_)
        return std::nullopt;
    const std::optional<Answer> answer = RunBounded(Job<QKeychain::ReadPasswordJob>(entry), bound_);
    if (answer && answer->error == QKeychain::NoError)
        return answer->text;
    answers_ = answer && answer->error == QKeychain::EntryNotFound;
    return std::nullopt;
}

bool Keyring::write(const QString& entry, const QString& password)
{
    if (!answers_)
        return false;
    const std::optional<Answer> answer = RunBounded(
        Job<QKeychain::WritePasswordJob>(entry, [password](QKeychain::WritePasswordJob& job) { job.setTextData(password); }),
        bound_);
    answers_ = answer && answer->error == QKeychain::NoError;
    return answers_;
}

bool Keyring::remove(const QString& entry)
{
    if (!answers_)
        return false;
    const std::optional<Answer> answer = RunBounded(Job<QKeychain::DeletePasswordJob>(entry), bound_);
    answers_ = answer && (answer->error == QKeychain::NoError || answer->error == QKeychain::EntryNotFound);
    return answers_;
}

} // namespace velloxa
