#include "connection/PasswordFile.h"

#include "errors/Failure.h"

#include <QFile>

namespace velloxa {

QString ReadPasswordLine(const QString& fileName)
{
    QFile file;
    const bool fromInput = fileName == QLatin1String("-");
    // By descriptor: a stdio stream would be read with fgets(), which ends a line at a NUL.
    const bool opened = fromInput ? file.open(0, QIODevice::ReadOnly)
                                  : (file.setFileName(fileName), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw Failure(QStringLiteral("the password file %1 cannot be read: %2").arg(fileName, file.errorString()));
    // Room for the longest line and its CR LF; readLine() keeps one byte for a terminator.
    QByteArray line = file.readLine(MaxPasswordBytes + 3);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > MaxPasswordBytes)
        throw Failure(QStringLiteral("the first line of the password file is longer than %1 KiB").arg(MaxPasswordBytes / 1024));
    return QString::fromUtf8(line);
}

} // namespace velloxa
