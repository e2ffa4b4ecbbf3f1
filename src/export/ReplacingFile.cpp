#include "export/ReplacingFile.h"

#include "errors/Failure.h"
#include "export/OutputTarget.h"
#include "export/PendingFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace velloxa {

namespace {

constexpr qint64 WritebackStep = 4 << 20;

QString SystemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The file a chain of symbolic links ends at (the path itself when it is no link).
QString LinkDestination(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < 40 && QFileInfo(current).isSymLink(); ++hop)
        current = QFileInfo(current).symLinkTarget();
    return current;
}

#ifndef _WIN32
// Removes what killed earlier runs of ours left for this target: our name form, our user,
// and a writer process that no longer exists.
void RemoveLeftovers(const QDir& folder, const QString& prefix)
{
    const QStringList names = folder.entryList({prefix + QLatin1String("*.tmp")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QStringList parts = name.mid(prefix.size()).split(QLatin1Char('-'));
        bool isNumber = false;
        const qint64 pid = parts.value(0).toLongLong(&isNumber);
        struct stat info {};
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        if (!isNumber || parts.size() != 2 || ::lstat(path.constData(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlink(path.constData());
    }
}
#endif

// A reader that goes away (a pipe into "head", a FIFO's reader closing) must fail the write
// with "Broken pipe", not kill the program.
void IgnoreBrokenPipes()
{
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

} // namespace

// Short whatever the target's length (a name of 255 bytes must still work), and recognisable
// by a later run.
QString ReplacingFile::TemporaryPrefix(const QString& target)
{
    quint32 hash = 2166136261u; // FNV-1a over the target's file name
    for (const char byte : QFile::encodeName(QFileInfo(target).fileName())) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return QStringLiteral(".velloxa-%1-").arg(hash, 8, 16, QLatin1Char('0'));
}

ReplacingFile::ReplacingFile(StandardOutput) : fileName_(QStringLiteral("standard output")), direct_(true)
{
    IgnoreBrokenPipes();
#ifndef _WIN32
    handle_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
#else
    handle_ = ::_dup(1);
#endif
    if (handle_ < 0)
        throw Failure(QStringLiteral("Cannot write standard output: %1").arg(SystemError()));
}

ReplacingFile::ReplacingFile(const QString& fileName) : fileName_(fileName)
{
#ifndef _WIN32 // there every target that passes the check is replaced
    if (CheckOutputTarget(fileName) == OutputKind::WrittenInto) {
        direct_ = true;
        IgnoreBrokenPipes();
        // A FIFO waits here for its reader, as any writer into it does.
        handle_ = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (handle_ < 0)
            throw Failure(QStringLiteral("Cannot write %1: %2").arg(Native(fileName), SystemError()));
        return;
    }
#else
    CheckOutputTarget(fileName);
#endif
    target_ = LinkDestination(fileName);
    const QFileInfo target(target_);
    const QDir folder = target.absoluteDir();

#ifndef _WIN32
    RemoveLeftovers(folder, TemporaryPrefix(target_));
#endif
    // A new file gets the usual mode (less the umask); a replaced one keeps its own.
#ifdef O_TMPFILE
    // Beside the target, so that the final rename stays on one file system.
    handle_ = ::open(QFile::encodeName(folder.path()).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (handle_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        throw Failure(QStringLiteral("Cannot create a file in %1: %2").arg(Native(folder.path()), SystemError()));
#endif
    if (handle_ < 0)
        openNamed(folder.path(), 0666);
    if (target.exists()) {
        struct stat old {};
        const bool copied = ::stat(QFile::encodeName(target_).constData(), &old) == 0
#ifndef _WIN32
            && ::fchmod(handle_, old.st_mode & 07777) == 0
#endif
            ;
        if (!copied) {
            const QString reason = SystemError();
            discard();
            throw Failure(QStringLiteral("Cannot give the new %1 the old one's permissions: %2").arg(Native(fileName), reason));
        }
    }
}

void ReplacingFile::openNamed(const QString& folder, int mode)
{
    const QString prefix = TemporaryPrefix(target_);
    for (int attempt = 0;; ++attempt) {
        namedTemporary_ = QDir(folder).filePath(QStringLiteral("%1%2-%3.tmp").arg(
            prefix, QString::number(qint64(::getpid())), QString::number(QRandomGenerator::global()->generate(), 36)));
        handle_ = ::open(QFile::encodeName(namedTemporary_).constData(), O_WRONLY | O_CREAT | O_EXCL, mode);
        if (handle_ >= 0)
            break;
        if (errno != EEXIST || attempt == 20)
            throw Failure(QStringLiteral("Cannot create a file in %1: %2").arg(Native(folder), SystemError()));
    }
    PendingFiles::add(namedTemporary_);
}

ReplacingFile::~ReplacingFile()
{
    if (!committed_)
        discard();
}

void ReplacingFile::write(QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const auto written = ::write(handle_, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw Failure(QStringLiteral("Cannot write %1: %2").arg(Native(fileName_), SystemError(written < 0 ? errno : ENOSPC)));
        data += written;
        left -= written;
    }
    written_ += bytes.size();
#ifdef __linux__
    if (direct_)
        return;
    // Start writing the pages out now, beside the export, so that commit()'s fsync has
    // little left to wait for; a few MiB at a time, since every start costs the disk a
    // request of its own.
    if (written_ - started_ >= WritebackStep) {
        ::sync_file_range(handle_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
        started_ = written_;
    }
#endif
}

void ReplacingFile::commit()
{
    ReplacingFile* const self = this;
    CommitTogether({&self, 1});
}

void ReplacingFile::CommitTogether(std::span<ReplacingFile* const> files)
{
    for (ReplacingFile* file : files)
        file->sync();
    std::lock_guard lock(PendingFiles::commitLock());
    for (ReplacingFile* file : files)
        file->giveName();
    for (ReplacingFile* file : files)
        file->moveIntoPlace();
}

void ReplacingFile::sync()
{
    if (direct_)
        return;
#ifndef _WIN32
    // The new contents reach the disk before the name points at them.
    if (::fsync(handle_) != 0)
        throw Failure(QStringLiteral("Cannot write %1: %2").arg(Native(fileName_), SystemError()));
#endif
}

// Under the commit lock. A file written into directly is done once closed.
void ReplacingFile::giveName()
{
    if (direct_) {
        committed_ = true;
        if (::close(handle_) != 0 && errno != EINTR)
            throw Failure(QStringLiteral("Cannot write %1: %2").arg(Native(fileName_), SystemError()));
        handle_ = -1;
        return;
    }
#ifdef O_TMPFILE
    if (namedTemporary_.isEmpty()) {
        // The unnamed file gets a name of ours for a moment, then the target's by a rename,
        // which replaces the old file in one step.
        const QString folder = QFileInfo(target_).absolutePath();
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(handle_);
        for (int attempt = 0; namedTemporary_.isEmpty(); ++attempt) {
            const QString name = QDir(folder).filePath(QStringLiteral("%1%2-%3.tmp").arg(TemporaryPrefix(target_), QString::number(qint64(::getpid())), QString::number(QRandomGenerator::global()->generate(), 36)));
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(name).constData(), AT_SYMLINK_FOLLOW) == 0) {
                namedTemporary_ = name;
                PendingFiles::add(name);
            } else if (errno != EEXIST || attempt == 20) {
                throw Failure(QStringLiteral("Cannot write %1: %2").arg(Native(fileName_), SystemError()));
            }
        }
    }
#endif
    ::close(handle_);
    handle_ = -1;
}

// Under the commit lock.
void ReplacingFile::moveIntoPlace()
{
    if (direct_)
        return;
#ifdef _WIN32
    if (!MoveFileExW(reinterpret_cast<const wchar_t*>(Native(namedTemporary_).utf16()),
                     reinterpret_cast<const wchar_t*>(Native(target_).utf16()),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw Failure(QStringLiteral("Cannot replace %1 (error %2).").arg(Native(fileName_)).arg(GetLastError()));
#else
    if (std::rename(QFile::encodeName(namedTemporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        throw Failure(QStringLiteral("Cannot replace %1: %2").arg(Native(fileName_), SystemError()));
#endif
    committed_ = true;
    PendingFiles::remove(namedTemporary_);
}

void ReplacingFile::discard()
{
    if (handle_ >= 0)
        ::close(handle_);
    handle_ = -1;
    if (!namedTemporary_.isEmpty()) {
        QFile::remove(namedTemporary_);
        PendingFiles::remove(namedTemporary_);
    }
}

} // namespace velloxa
