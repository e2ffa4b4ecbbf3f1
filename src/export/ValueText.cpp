#include "export/ValueText.h"

#include <charconv>

namespace velloxa {

namespace {

void AppendAscii(const char* begin, const char* end, char16_t decimalPoint, QString& out)
{
    const qsizetype at = out.size();
    out.resize(at + (end - begin));
    QChar* target = out.data() + at;
    for (const char* c = begin; c != end; ++c)
        *target++ = QChar(*c == '.' ? decimalPoint : char16_t(*c));
}

template <typename Number>
void AppendShortest(Number value, char16_t decimalPoint, QString& out)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    AppendAscii(text, error == std::errc() ? end : text, decimalPoint, out);
}

void AppendHexByte(unsigned char byte, QString& out)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    out += QLatin1Char(Digits[byte >> 4]);
    out += QLatin1Char(Digits[byte & 0x0F]);
}

} // namespace

ValueTextFormat::ValueTextFormat(const QLocale& locale)
    : decimalPoint_(locale.decimalPoint().at(0)),
      date_(DateTimePattern::shortDate(locale)),
      time_(DateTimePattern::timeWithSeconds(locale))
{
}

void ValueTextFormat::appendInteger(qint64 value, QString& out) const
{
    char text[24];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    Q_UNUSED(error);
    AppendAscii(text, end, u'.', out);
}

void ValueTextFormat::appendDecimal(QByteArrayView driverText, QString& out) const
{
    const char* begin = driverText.data();
    const char* end = begin + driverText.size();
    const char* point = std::find(begin, end, '.');
    if (point != end) {
        while (end > point + 1 && end[-1] == '0')
            --end;
        if (end == point + 1)
            --end;
    }
    // The driver writes a magnitude below one as ".5"; the digit before the separator is kept.
    const bool negative = begin != end && *begin == '-';
    if (negative) {
        out += QLatin1Char('-');
        ++begin;
    }
    if (begin == end || *begin == '.')
        out += QLatin1Char('0');
    AppendAscii(begin, end, decimalPoint_.unicode(), out);
}

void ValueTextFormat::appendDouble(double value, QString& out) const
{
    AppendShortest(value, decimalPoint_.unicode(), out);
}

void ValueTextFormat::appendReal(float value, QString& out) const
{
    AppendShortest(value, decimalPoint_.unicode(), out);
}

void ValueTextFormat::appendBit(bool value, QString& out) const
{
    out += value ? QLatin1String("True") : QLatin1String("False");
}

void ValueTextFormat::appendDate(const SQL_DATE_STRUCT& value, QString& out) const
{
    date_.append(value.year, value.month, value.day, 0, 0, 0, 0, out);
}

void ValueTextFormat::appendTimestamp(const SQL_TIMESTAMP_STRUCT& value, QString& out) const
{
    date_.append(value.year, value.month, value.day, 0, 0, 0, 0, out);
    if (value.hour || value.minute || value.second || value.fraction) {
        out += QLatin1Char(' ');
        time_.append(value.year, value.month, value.day, value.hour, value.minute, value.second,
                     value.fraction, out);
    }
}

void ValueTextFormat::appendTime(int hour, int minute, int second, quint32 nanoseconds, QString& out) const
{
    time_.append(1900, 1, 1, hour, minute, second, nanoseconds, out);
}

void ValueTextFormat::appendGuid(const SQLGUID& value, QString& out) const
{
    const auto appendWord = [&out](quint64 word, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            AppendHexByte((word >> (8 * i)) & 0xFF, out);
    };
    appendWord(value.Data1, 4);
    out += QLatin1Char('-');
    appendWord(value.Data2, 2);
    out += QLatin1Char('-');
    appendWord(value.Data3, 2);
    out += QLatin1Char('-');
    AppendHexByte(value.Data4[0], out);
    AppendHexByte(value.Data4[1], out);
    out += QLatin1Char('-');
    for (int i = 2; i < 8; ++i)
        AppendHexByte(value.Data4[i], out);
}

void ValueTextFormat::appendBinary(QByteArrayView bytes, QString& out) const
{
    out += QLatin1String("0x");
    for (char byte : bytes)
        AppendHexByte(static_cast<unsigned char>(byte), out);
}

} // namespace velloxa
