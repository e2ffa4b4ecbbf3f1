#pragma once

#include <QString>

namespace velloxa {

// The longest password line read: far beyond any password, and a bound for a file that never
// ends a line (/dev/zero, a stream of garbage).
inline constexpr qsizetype MaxPasswordBytes = 64 * 1024;

// The first line of a file, or of standard input for "-", without its line end (LF or CR LF),
// as UTF-8. Throws Failure when the file cannot be read or the line is longer than
// MaxPasswordBytes; nothing past that bound is read.
QString ReadPasswordLine(const QString& fileName);

} // namespace velloxa
