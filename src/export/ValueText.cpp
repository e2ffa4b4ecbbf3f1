#include "export/ValueText.h"

#include "export/AnsiText.h"
#include "export/DecimalDigits.h"
#include "export/ShortestNumber.h"
#include "export/TextOutput.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace velloxa {

namespace {

// C-formatted digits, the regional decimal separator in place of their '.'.
template <typename Out>
void AppendNumber(std::string_view text, QChar decimalPoint, Out& out)
{
    const size_t point = text.find('.');
    if (point == std::string_view::npos) {
        AppendAscii(out, text);
        return;
    }
    AppendAscii(out, text.substr(0, point));
    AppendText(out, QStringView(&decimalPoint, 1));
    AppendAscii(out, text.substr(point + 1));
}

char* PutHexByte(char* at, unsigned char byte)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    *at++ = Digits[byte >> 4];
    *at++ = Digits[byte & 0x0F];
    return at;
}

} // namespace

namespace {

bool UsesIso(const QLocale& locale, ValueForms forms)
{
    return forms == ValueForms::Iso || locale.language() == QLocale::C;
}

} // namespace

ValueTextFormat::ValueTextFormat(const QLocale& locale, ValueForms forms, bool windows1252)
    : iso_(UsesIso(locale, forms)),
      decimalPoint_(iso_ ? QLatin1Char('.') : locale.decimalPoint().at(0)),
      asciiPoint_(0),
      date_(iso_ ? DateTimePattern::isoDate() : DateTimePattern::shortDate(locale)),
      time_(iso_ ? DateTimePattern::isoTime() : DateTimePattern::timeWithSeconds(locale)),
      dateAndTime_(DateTimePattern::dateAndTime(date_, time_))
{
    if (windows1252 && !iso_) {
        if (!AnsiCanHold(QStringView(&decimalPoint_, 1)))
            decimalPoint_ = QLatin1Char('.');
        if (!date_.fitsWindows1252())
            date_ = DateTimePattern::numericShortDate(locale);
        if (!time_.fitsWindows1252())
            time_ = DateTimePattern::isoTime();
        dateAndTime_ = DateTimePattern::dateAndTime(date_, time_);
    }
    asciiPoint_ = decimalPoint_.unicode() < 0x80 ? char(decimalPoint_.unicode()) : 0;
}

bool ValueTextFormat::differsInWindows1252(const QLocale& locale)
{
    const QChar point = locale.decimalPoint().at(0);
    return !UsesIso(locale, ValueForms::Regional)
        && (!AnsiCanHold(QStringView(&point, 1)) || !DateTimePattern::shortDate(locale).fitsWindows1252()
            || !DateTimePattern::timeWithSeconds(locale).fitsWindows1252());
}

QString ValueTextFormat::numberCharacters() const
{
    return QStringLiteral("0123456789-+.einfa") + decimalPoint_;
}

qsizetype ValueTextFormat::mostDateTimeBytes() const
{
    return std::max({date_.mostBytes(), time_.mostBytes(), dateAndTime_.mostBytes()});
}

QString ValueTextFormat::dateTimeCharacters() const
{
    return date_.characters() + time_.characters();
}

template <typename Out>
void ValueTextFormat::appendInteger(qint64 value, Out& out) const
{
    PutAscii<20>(out, [value](char* at) { return PutSigned(at, value); });
}

template <typename Out>
void ValueTextFormat::appendDecimal(QByteArrayView driverText, Out& out) const
{
    std::string_view text(driverText.data(), size_t(driverText.size()));
    const size_t point = text.find('.');
    if (point != std::string_view::npos) {
        while (text.size() > point + 1 && text.back() == '0')
            text.remove_suffix(1);
        if (text.size() == point + 1)
            text.remove_suffix(1);
    }
    // The driver writes a magnitude below one as ".5"; the digit before the separator is kept.
    const bool negative = text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    const bool leadingZero = text.empty() || text.front() == '.';
    // decimal(38, s): at most 38 digits, the point, a sign and the added zero.
    if (asciiPoint_ && text.size() <= 40) {
        PutAscii<42>(out, [&](char* at) {
            *at = '-';
            at += negative;
            *at = '0';
            at += leadingZero;
            std::memcpy(at, text.data(), text.size());
            if (point != std::string_view::npos && text.size() > point - negative)
                at[point - negative] = asciiPoint_;
            return at + text.size();
        });
        return;
    }
    if (negative)
        AppendAscii(out, "-");
    if (leadingZero)
        AppendAscii(out, "0");
    AppendNumber(text, decimalPoint_, out);
}

template <typename Out>
void ValueTextFormat::appendDouble(double value, Out& out) const
{
    appendShortest(value, out);
}

template <typename Out>
void ValueTextFormat::appendReal(float value, Out& out) const
{
    appendShortest(value, out);
}

template <typename Number, typename Out>
void ValueTextFormat::appendShortest(Number value, Out& out) const
{
    if (!asciiPoint_) {
        char text[MostShortestChars];
        AppendNumber(std::string_view(text, size_t(PutShortest(text, value) - text)), decimalPoint_, out);
        return;
    }
    PutAscii<MostShortestChars>(out, [&](char* at) { return PutShortest(at, value, asciiPoint_); });
}

template <typename Out>
void ValueTextFormat::appendBit(bool value, Out& out) const
{
    AppendAscii(out, value ? "True" : "False");
}

template <typename Out>
void ValueTextFormat::appendDate(const SQL_DATE_STRUCT& value, Out& out) const
{
    date_.append(SQL_TIMESTAMP_STRUCT{value.year, value.month, value.day, 0, 0, 0, 0}, out);
}

template <typename Out>
void ValueTextFormat::appendTimestamp(const SQL_TIMESTAMP_STRUCT& value, Out& out) const
{
    // ISO keeps the time of a date-time at midnight too. Without it the time's fields are all
    // zero: either pattern takes the value as it is.
    const bool timeShown = iso_ | ((value.hour | value.minute | value.second | value.fraction) != 0);
    (timeShown ? dateAndTime_ : date_).append(value, out);
}

template <typename Out>
void ValueTextFormat::appendTime(int hour, int minute, int second, quint32 nanoseconds, Out& out) const
{
    time_.append(1900, 1, 1, hour, minute, second, nanoseconds, out);
}

template <typename Out>
void ValueTextFormat::appendGuid(const SQLGUID& value, Out& out) const
{
    char text[36];
    char* at = text;
    const auto putWord = [&at](quint64 word, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            at = PutHexByte(at, (word >> (8 * i)) & 0xFF);
    };
    putWord(value.Data1, 4);
    *at++ = '-';
    putWord(value.Data2, 2);
    *at++ = '-';
    putWord(value.Data3, 2);
    *at++ = '-';
    at = PutHexByte(at, value.Data4[0]);
    at = PutHexByte(at, value.Data4[1]);
    *at++ = '-';
    for (int i = 2; i < 8; ++i)
        at = PutHexByte(at, value.Data4[i]);
    AppendAscii(out, std::string_view(text, sizeof text));
}

template <typename Out>
void ValueTextFormat::appendBinary(QByteArrayView bytes, Out& out) const
{
    AppendAscii(out, "0x");
    appendHexDigits(bytes, out);
}

template <typename Out>
void ValueTextFormat::appendHexDigits(QByteArrayView bytes, Out& out) const
{
    // Through a small buffer: an image may be megabytes long.
    char text[256];
    for (qsizetype from = 0; from < bytes.size(); from += sizeof text / 2) {
        char* at = text;
        for (char byte : bytes.sliced(from, std::min<qsizetype>(bytes.size() - from, sizeof text / 2)))
            at = PutHexByte(at, static_cast<unsigned char>(byte));
        AppendAscii(out, std::string_view(text, at - text));
    }
}

// The outputs: a preview cell and the export's bytes (a buffer, a row's reserved room).
#define VELLOXA_VALUE_TEXT_OUTPUT(Out)                                                       \
    template void ValueTextFormat::appendInteger(qint64, Out&) const;                        \
    template void ValueTextFormat::appendDecimal(QByteArrayView, Out&) const;                \
    template void ValueTextFormat::appendDouble(double, Out&) const;                         \
    template void ValueTextFormat::appendReal(float, Out&) const;                            \
    template void ValueTextFormat::appendBit(bool, Out&) const;                              \
    template void ValueTextFormat::appendDate(const SQL_DATE_STRUCT&, Out&) const;           \
    template void ValueTextFormat::appendTimestamp(const SQL_TIMESTAMP_STRUCT&, Out&) const; \
    template void ValueTextFormat::appendTime(int, int, int, quint32, Out&) const;           \
    template void ValueTextFormat::appendGuid(const SQLGUID&, Out&) const;                   \
    template void ValueTextFormat::appendBinary(QByteArrayView, Out&) const;                 \
    template void ValueTextFormat::appendHexDigits(QByteArrayView, Out&) const;

VELLOXA_VALUE_TEXT_OUTPUT(QString)
VELLOXA_VALUE_TEXT_OUTPUT(FileBuffer)
VELLOXA_VALUE_TEXT_OUTPUT(ReservedBytes)

#undef VELLOXA_VALUE_TEXT_OUTPUT

} // namespace velloxa
