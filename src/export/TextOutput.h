#pragma once

#include "export/AnsiText.h"
#include "export/AsciiText.h"
#include "export/FileBuffer.h"
#include "export/ShortCopy.h"
#include "export/Utf8Text.h"

#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <cstring>
#include <string_view>

namespace velloxa {

// Where the text of a value goes: a QString (the preview) or the export's 8-bit bytes, in a
// FileBuffer or in a row's reserved room. The
// formatting hands over pure ASCII (digits, signs, hex, "True") apart from other text
// (values, separators and names of the regional settings), which the bytes must encode.
inline void AppendAscii(QString& out, std::string_view ascii) { out.append(QLatin1String(ascii.data(), qsizetype(ascii.size()))); }
inline void AppendText(QString& out, QStringView text) { out.append(text); }
inline void AppendAscii(FileBuffer& out, std::string_view ascii) { out.appendBytes(QByteArrayView(ascii.data(), qsizetype(ascii.size()))); }
inline void AppendText(FileBuffer& out, QStringView text) { out.appendText(text); }

// The export's bytes where a row's room was made beforehand (FileBuffer::room for the most
// bytes its values can take, ResultTextReader::mostBytes): each piece is written without a
// bounds check. `at` is where the next byte goes.
struct ReservedBytes {
    char* at;
    bool utf8; // else the code page
};
inline void AppendAscii(ReservedBytes& out, std::string_view ascii)
{
    if (ascii.size() <= 24)
        CopyShort(out.at, ascii.data(), ascii.size());
    else
        std::memcpy(out.at, ascii.data(), ascii.size());
    out.at += ascii.size();
}
inline void AppendText(ReservedBytes& out, QStringView text)
{
    if (NarrowAscii(text.utf16(), text.size(), out.at))
        out.at += text.size();
    else
        out.at = out.utf8 ? WriteUtf8Text(text, out.at) : WriteAnsiText(text, out.at);
}

// ASCII that `put(char* at)` writes, at most Most characters, returning the end: into the
// file's bytes in place, or through a small buffer into a QString.
template <qsizetype Most, typename Put>
void PutAscii(FileBuffer& out, Put put) { out.setEnd(put(out.room(Most))); }
template <qsizetype Most, typename Put>
void PutAscii(ReservedBytes& out, Put put) { out.at = put(out.at); }
template <qsizetype Most, typename Put>
void PutAscii(QString& out, Put put)
{
    char text[Most];
    const char* end = put(text);
    out.append(QLatin1String(text, end - text));
}

} // namespace velloxa
