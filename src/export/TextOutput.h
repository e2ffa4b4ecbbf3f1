#pragma once

#include "export/FileBuffer.h"

#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <string_view>

namespace velloxa {

// Where the text of a value goes: a QString (the preview) or the export's 8-bit bytes. The
// formatting hands over pure ASCII (digits, signs, hex, "True") apart from other text
// (values, separators and names of the regional settings), which the bytes must encode.
inline void AppendAscii(QString& out, std::string_view ascii) { out.append(QLatin1String(ascii.data(), qsizetype(ascii.size()))); }
inline void AppendText(QString& out, QStringView text) { out.append(text); }
inline void AppendAscii(FileBuffer& out, std::string_view ascii) { out.appendBytes(QByteArrayView(ascii.data(), qsizetype(ascii.size()))); }
inline void AppendText(FileBuffer& out, QStringView text) { out.appendText(text); }

// ASCII that `put(char* at)` writes, at most Most characters, returning the end: into the
// file's bytes in place, or through a small buffer into a QString.
template <qsizetype Most, typename Put>
void PutAscii(FileBuffer& out, Put put) { out.setEnd(put(out.room(Most))); }
template <qsizetype Most, typename Put>
void PutAscii(QString& out, Put put)
{
    char text[Most];
    const char* end = put(text);
    out.append(QLatin1String(text, end - text));
}

} // namespace velloxa
