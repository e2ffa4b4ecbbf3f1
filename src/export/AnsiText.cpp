#include "export/AnsiText.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include "export/AsciiText.h"
#include "export/LineByteWatch.h"
#include "export/WatchedNarrowing.h"

namespace velloxa {

#ifdef _WIN32

char* WriteAnsiText(QStringView text, char* target, LineByteWatch* watch)
{
    if (watch)
        watch->spoil();
    if (text.isEmpty())
        return target;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = int(text.size());
    return target + WideCharToMultiByte(CP_ACP, 0, wide, length, target, int(MostAnsiBytes(length)), "?", nullptr);
}

#else

namespace {

// Windows-1252 bytes 0x80-0x9F; 0 marks the five unassigned bytes, which Windows maps to
// the C1 control characters of the same value.
constexpr char16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ByteFor(char16_t unit)
{
    if (unit >= 0x80 && unit <= 0x9F)
        return HighControls[unit - 0x80] == 0 ? char(unit) : '?';
    if (unit <= 0xFF)
        return char(unit);
    for (int i = 0; i < 32; ++i)
        if (HighControls[i] == unit)
            return char(0x80 + i);
    return '?';
}

} // namespace

char* WriteAnsiText(QStringView text, char* target, LineByteWatch* watch)
{
    const char16_t* units = text.utf16();
    const qsizetype count = text.size();
    // Most text is ASCII: in blocks. Anything else one unit at a time.
    if (watch ? NarrowAsciiWatched(units, count, target, *watch) : NarrowAscii(units, count, target))
        return target + count;
    if (watch)
        watch->spoil();
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            *target++ = char(unit);
        } else {
            *target++ = ByteFor(unit);
            // A surrogate pair is one character: one '?'.
            if (QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(units[i + 1]))
                ++i;
        }
    }
    return target;
}

#endif

bool AnsiCanHold(QStringView character)
{
    if (character.size() != 1)
        return false;
    char byte[MostAnsiBytes(1)];
    return WriteAnsiText(character, byte) == byte + 1 && (byte[0] != '?' || character[0] == u'?');
}

void AppendAnsiText(QStringView text, QByteArray& out)
{
    const qsizetype at = out.size();
    out.resize(at + MostAnsiBytes(text.size()));
    out.resize(WriteAnsiText(text, out.data() + at) - out.data());
}

} // namespace velloxa
