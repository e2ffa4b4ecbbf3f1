#pragma once

#include <QByteArray>
#include <QStringView>

namespace velloxa {

class LineByteWatch;

// Text in the 8-bit code page of the output file, without a BOM: the ANSI code page on
// Windows, Windows-1252 elsewhere. A character the code page cannot hold becomes '?'.

// The most bytes `units` UTF-16 code units can take in the code page: one for every
// character of Windows-1252, two in a double-byte ANSI code page.
constexpr qsizetype MostAnsiBytes(qsizetype units)
{
#ifdef _WIN32
    return 2 * units;
#else
    return units;
#endif
}

// Writes `text` at `target`, which has room for MostAnsiBytes(text.size()); returns the end.
// With `watch`, text narrowed as ASCII is watched as it goes (LineByteWatch.h); other text
// spoils the watch.
char* WriteAnsiText(QStringView text, char* target, LineByteWatch* watch = nullptr);

void AppendAnsiText(QStringView text, QByteArray& out);

// Whether the code page holds the character (one, or a surrogate pair) as itself, not as '?'.
bool AnsiCanHold(QStringView character);

} // namespace velloxa
