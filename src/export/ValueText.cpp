#include "export/ValueText.h"

#include "export/AnsiText.h"
#include "export/TextOutput.h"

#include <algorithm>
#include <charconv>
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

template <typename Number, typename Out>
void AppendShortest(Number value, QChar decimalPoint, Out& out)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    AppendNumber(std::string_view(text, error == std::errc() ? end - text : 0), decimalPoint, out);
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
      date_(iso_ ? DateTimePattern::isoDate() : DateTimePattern::shortDate(locale)),
      time_(iso_ ? DateTimePattern::isoTime() : DateTimePattern::timeWithSeconds(locale))
{
    if (!windows1252 || iso_)
        return;
    if (!AnsiCanHold(QStringView(&decimalPoint_, 1)))
        decimalPoint_ = QLatin1Char('.');
    if (!date_.fitsWindows1252())
        date_ = DateTimePattern::numericShortDate(locale);
    if (!time_.fitsWindows1252())
        time_ = DateTimePattern::isoTime();
}

bool ValueTextFormat::differsInWindows1252(const QLocale& locale)
{
    const QChar point = locale.decimalPoint().at(0);
    return !UsesIso(locale, ValueForms::Regional)
        && (!AnsiCanHold(QStringView(&point, 1)) || !DateTimePattern::shortDate(locale).fitsWindows1252()
            || !DateTimePattern::timeWithSeconds(locale).fitsWindows1252());
}

template <typename Out>
void ValueTextFormat::appendInteger(qint64 value, Out& out) const
{
    char text[24];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    Q_UNUSED(error);
    AppendAscii(out, std::string_view(text, end - text));
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
    if (text.starts_with('-')) {
        AppendAscii(out, "-");
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '.')
        AppendAscii(out, "0");
    AppendNumber(text, decimalPoint_, out);
}

template <typename Out>
void ValueTextFormat::appendDouble(double value, Out& out) const
{
    AppendShortest(value, decimalPoint_, out);
}

template <typename Out>
void ValueTextFormat::appendReal(float value, Out& out) const
{
    AppendShortest(value, decimalPoint_, out);
}

template <typename Out>
void ValueTextFormat::appendBit(bool value, Out& out) const
{
    AppendAscii(out, value ? "True" : "False");
}

template <typename Out>
void ValueTextFormat::appendDate(const SQL_DATE_STRUCT& value, Out& out) const
{
    date_.append(value.year, value.month, value.day, 0, 0, 0, 0, out);
}

template <typename Out>
void ValueTextFormat::appendTimestamp(const SQL_TIMESTAMP_STRUCT& value, Out& out) const
{
    date_.append(value.year, value.month, value.day, 0, 0, 0, 0, out);
    if (iso_ || value.hour || value.minute || value.second || value.fraction) {
        AppendAscii(out, " ");
        time_.append(value.year, value.month, value.day, value.hour, value.minute, value.second,
                     value.fraction, out);
    }
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
    // Through a small buffer: an image may be megabytes long.
    char text[256];
    for (qsizetype from = 0; from < bytes.size(); from += sizeof text / 2) {
        char* at = text;
        for (char byte : bytes.sliced(from, std::min<qsizetype>(bytes.size() - from, sizeof text / 2)))
            at = PutHexByte(at, static_cast<unsigned char>(byte));
        AppendAscii(out, std::string_view(text, at - text));
    }
}

// The two outputs: a preview cell and the export's bytes.
template void ValueTextFormat::appendInteger(qint64, QString&) const;
template void ValueTextFormat::appendDecimal(QByteArrayView, QString&) const;
template void ValueTextFormat::appendDouble(double, QString&) const;
template void ValueTextFormat::appendReal(float, QString&) const;
template void ValueTextFormat::appendBit(bool, QString&) const;
template void ValueTextFormat::appendDate(const SQL_DATE_STRUCT&, QString&) const;
template void ValueTextFormat::appendTimestamp(const SQL_TIMESTAMP_STRUCT&, QString&) const;
template void ValueTextFormat::appendTime(int, int, int, quint32, QString&) const;
template void ValueTextFormat::appendGuid(const SQLGUID&, QString&) const;
template void ValueTextFormat::appendBinary(QByteArrayView, QString&) const;
template void ValueTextFormat::appendInteger(qint64, AnsiBuffer&) const;
template void ValueTextFormat::appendDecimal(QByteArrayView, AnsiBuffer&) const;
template void ValueTextFormat::appendDouble(double, AnsiBuffer&) const;
template void ValueTextFormat::appendReal(float, AnsiBuffer&) const;
template void ValueTextFormat::appendBit(bool, AnsiBuffer&) const;
template void ValueTextFormat::appendDate(const SQL_DATE_STRUCT&, AnsiBuffer&) const;
template void ValueTextFormat::appendTimestamp(const SQL_TIMESTAMP_STRUCT&, AnsiBuffer&) const;
template void ValueTextFormat::appendTime(int, int, int, quint32, AnsiBuffer&) const;
template void ValueTextFormat::appendGuid(const SQLGUID&, AnsiBuffer&) const;
template void ValueTextFormat::appendBinary(QByteArrayView, AnsiBuffer&) const;

} // namespace velloxa
