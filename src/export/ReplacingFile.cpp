#include "export/ReplacingFile.h"

#include "errors/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velloxa {

namespace {

// Temporary files of writes still in progress. A program that ends by exit() mid-write
// runs no destructor of the writer, but it does destroy this static list, which removes them.
class PendingFiles {
public:
    static PendingFiles& instance()
    {
        static PendingFiles files;
        return files;
    }
    ~PendingFiles()
    {
        for (const QString& name : names_)
            QFile::remove(name);
    }
    void add(const QString& name)
    {
        std::lock_guard lock(mutex_);
        names_ << name;
    }
    void remove(const QString& name)
    {
        std::lock_guard lock(mutex_);
        names_.removeOne(name);
    }

private:
    std::mutex mutex_;
    QStringList names_;
};

bool IsReadOnly(const QFileInfo& file)
{
    // No write bit at all counts as read-only even for a user the system would let through.
    constexpr QFile::Permissions AnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !file.isWritable() || !(file.permissions() & AnyWrite);
}

void ReplaceFile(const QString& from, const QString& to)
{
#ifdef _WIN32
    if (!MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                     reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw Failure(QStringLiteral("Cannot replace %1 (error %2).").arg(to).arg(GetLastError()));
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Failure(QStringLiteral("Cannot replace %1: %2").arg(to, QString::fromLocal8Bit(std::strerror(errno))));
#endif
}

} // namespace

ReplacingFile::ReplacingFile(const QString& fileName) : fileName_(fileName)
{
    if (fileName.isEmpty())
        throw Failure(QStringLiteral("Bad file name: the output file name is empty."));
    const QFileInfo target(fileName);
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        throw Failure(QStringLiteral("Path not found: the folder %1 does not exist.").arg(QDir::toNativeSeparators(folder.path())));
    if (target.exists() && target.isDir())
        throw Failure(QStringLiteral("Bad file name: %1 is a folder.").arg(QDir::toNativeSeparators(fileName)));
    if (target.exists() && IsReadOnly(target))
        throw Failure(QStringLiteral("Permission denied: %1 is read-only.").arg(QDir::toNativeSeparators(fileName)));

    // A hidden name beside the target, so that the final rename stays on one file system.
    for (int attempt = 0;; ++attempt) {
        temporary_.setFileName(folder.filePath(QStringLiteral(".%1.%2.tmp").arg(
            target.fileName(), QString::number(QRandomGenerator::global()->generate(), 36))));
        if (temporary_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            break;
        if (!temporary_.exists() || attempt == 20)
            throw Failure(QStringLiteral("Cannot create a file in %1: %2").arg(QDir::toNativeSeparators(folder.path()), temporary_.errorString()));
    }
    PendingFiles::instance().add(temporary_.fileName());
    if (target.exists() && !temporary_.setPermissions(target.permissions())) {
        const QString reason = temporary_.errorString();
        discard();
        throw Failure(QStringLiteral("Cannot give the new %1 the old one's permissions: %2").arg(QDir::toNativeSeparators(fileName), reason));
    }
}

ReplacingFile::~ReplacingFile()
{
    if (!committed_)
        discard();
}

void ReplacingFile::write(QByteArrayView bytes)
{
    if (temporary_.write(bytes.data(), bytes.size()) != bytes.size())
        throw Failure(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(fileName_), temporary_.errorString()));
#ifdef __linux__
    // Start writing the pages out now, beside the export, so that commit()'s fsync has
    // little left to wait for.
    ::sync_file_range(temporary_.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void ReplacingFile::commit()
{
#ifndef _WIN32
    // The new contents reach the disk before the name points at them.
    if (::fsync(temporary_.handle()) != 0)
        throw Failure(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(fileName_), QString::fromLocal8Bit(std::strerror(errno))));
#endif
    temporary_.close();
    ReplaceFile(temporary_.fileName(), fileName_);
    committed_ = true;
    PendingFiles::instance().remove(temporary_.fileName());
}

void ReplacingFile::discard()
{
    temporary_.close();
    QFile::remove(temporary_.fileName());
    PendingFiles::instance().remove(temporary_.fileName());
}

} // namespace velloxa
