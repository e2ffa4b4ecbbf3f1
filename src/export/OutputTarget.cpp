#include "export/OutputTarget.h"

#include "errors/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace velloxa {

namespace {

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Failure CannotWrite(const QString& fileName, int error)
{
    return Failure(QStringLiteral("Cannot write %1: %2").arg(Native(fileName), QString::fromLocal8Bit(std::strerror(error))));
}

} // namespace

OutputKind CheckOutputTarget(const QString& fileName)
{
    if (fileName.isEmpty())
        throw Failure(QStringLiteral("Bad file name: the output file name is empty."));
    const QByteArray encoded = QFile::encodeName(fileName);
    if (QFile::decodeName(encoded) != fileName || encoded.contains('\0'))
        throw Failure(QStringLiteral("Bad file name: %1 cannot be written in the file system's encoding.").arg(Native(fileName)));

    // stat() follows links, and tells a loop (ELOOP) and a name too long (ENAMETOOLONG) even
    // for a file that does not exist yet.
    struct stat target {};
    QString folder;
    if (::stat(encoded.constData(), &target) == 0) {
        if (S_ISDIR(target.st_mode))
            throw Failure(QStringLiteral("Bad file name: %1 is a folder.").arg(Native(fileName)));
#ifndef _WIN32
        if (S_ISBLK(target.st_mode))
            throw Failure(QStringLiteral("Bad file name: %1 is a block device; it is neither replaced nor written.").arg(Native(fileName)));
        if (!S_ISREG(target.st_mode)) {
            if (::access(encoded.constData(), W_OK) != 0)
                throw CannotWrite(fileName, errno);
            return OutputKind::WrittenInto;
        }
#endif
        // No write bit at all counts as read-only even for a user the system would let through.
        if (!(target.st_mode & 0222) || !QFileInfo(fileName).isWritable())
            throw Failure(QStringLiteral("Permission denied: %1 is read-only.").arg(Native(fileName)));
        folder = QFileInfo(QFileInfo(fileName).canonicalFilePath()).absolutePath();
    } else if (errno == ENOENT) {
        // New, or a link to a file that does not exist yet: its folder must be there.
        const QFileInfo name(fileName);
        folder = QFileInfo(name.isSymLink() ? name.symLinkTarget() : name.absoluteFilePath()).absolutePath();
        if (!QFileInfo(folder).isDir())
            throw Failure(QStringLiteral("Path not found: the folder %1 does not exist.").arg(Native(folder)));
    } else {
        throw CannotWrite(fileName, errno);
    }
#ifndef _WIN32
    // The new contents are written beside the target first.
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        throw Failure(QStringLiteral("Permission denied: no file can be created in %1.").arg(Native(folder)));
#endif
    return OutputKind::Replaced;
}

} // namespace velloxa
