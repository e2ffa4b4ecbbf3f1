#include "export/Utf8Text.h"

#include "export/AsciiText.h"
#include "export/LineByteWatch.h"
#include "export/WatchedNarrowing.h"

#include <QStringEncoder>

namespace velloxa {

char* WriteUtf8Text(QStringView text, char* target, LineByteWatch* watch)
{
    const char16_t* units = text.utf16();
    const qsizetype count = text.size();
    if (watch ? NarrowAsciiWatched(units, count, target, *watch) : NarrowAscii(units, count, target))
        return target + count;
    if (watch)
        watch->spoil();
    qsizetype ascii = 0;
    for (; ascii < count && units[ascii] < 0x80; ++ascii)
        *target++ = char(units[ascii]);
    if (ascii == count)
        return target;
    // Stateless: a value's last high surrogate must not wait for the next value's characters.
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    return utf8.appendToBuffer(target, text.sliced(ascii));
}

} // namespace velloxa
