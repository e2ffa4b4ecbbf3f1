#include "export/DateTimePattern.h"

#include "export/AnsiText.h"
#include "export/TextOutput.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <string_view>

namespace velloxa {

namespace {

// Writes into a small buffer: a date costs one append to the line, not one per character.
// The buffer holds char when every character the pattern puts is ASCII, char16_t otherwise.
template <typename Char>
Char* PutNumber(Char* at, int value, int width)
{
    char digits[12];
    int count = 0;
    unsigned magnitude = unsigned(value < 0 ? -value : value);
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    while (count < width)
        digits[count++] = '0';
    if (value < 0)
        *at++ = '-';
    while (count)
        *at++ = Char(digits[--count]);
    return at;
}

template <typename Char>
Char* PutText(Char* at, QStringView text)
{
    for (const QChar unit : text)
        *at++ = Char(unit.unicode());
    return at;
}

// Nanoseconds (not zero) as a decimal fraction without trailing zeros.
template <typename Char>
Char* PutFraction(Char* at, quint32 nanoseconds)
{
    int count = 9;
    while (count > 1 && nanoseconds % 10 == 0) {
        nanoseconds /= 10;
        --count;
    }
    for (int i = count - 1; i >= 0; --i) {
        at[i] = Char('0' + nanoseconds % 10);
        nanoseconds /= 10;
    }
    return at + count;
}

template <typename Out>
void Emit(const char* begin, const char* end, Out& out)
{
    AppendAscii(out, std::string_view(begin, size_t(end - begin)));
}

template <typename Out>
void Emit(const char16_t* begin, const char16_t* end, Out& out)
{
    AppendText(out, QStringView(begin, end));
}

bool IsAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool AreAscii(const QStringList& texts)
{
    return std::all_of(texts.cbegin(), texts.cend(), IsAscii);
}

// A name and a day period take at most this much of the buffer.
constexpr qsizetype MostNameUnits = 64;

// The name at `index`, none for an index out of range (an invalid date has no weekday).
const QString& NameAt(const QStringList& names, qsizetype index)
{
    static const QString none;
    return index >= 0 && index < names.size() ? names[index] : none;
}

} // namespace

DateTimePattern DateTimePattern::shortDate(const QLocale& locale)
{
    return DateTimePattern(locale, locale.dateFormat(QLocale::ShortFormat), false);
}

DateTimePattern DateTimePattern::timeWithSeconds(const QLocale& locale)
{
    return DateTimePattern(locale, locale.timeFormat(QLocale::LongFormat), true);
}

DateTimePattern DateTimePattern::isoDate()
{
    return DateTimePattern(QLocale::c(), QStringLiteral("yyyy-MM-dd"), false);
}

DateTimePattern DateTimePattern::isoTime()
{
    return DateTimePattern(QLocale::c(), QStringLiteral("HH:mm:ss"), true);
}

DateTimePattern DateTimePattern::numericShortDate(const QLocale& locale)
{
    QString format;
    bool quoted = false;
    const QString original = locale.dateFormat(QLocale::ShortFormat);
    for (qsizetype i = 0; i < original.size(); ++i) {
        const QChar c = original[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c == u'\'' || AnsiCanHold(QStringView(&c, 1)))
            format += c;
    }
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MM")).replace(QStringLiteral("MMM"), QStringLiteral("MM"));
    DateTimePattern pattern(locale, format, false);
    return pattern.fitsWindows1252() ? pattern : isoDate();
}

bool DateTimePattern::fitsWindows1252() const
{
    const auto fits = [](QStringView text) {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (!AnsiCanHold(text.sliced(i, 1)))
                return false;
        return true;
    };
    const auto allFit = [&](const QStringList& texts) { return std::all_of(texts.cbegin(), texts.cend(), fits); };
    return std::all_of(tokens_.cbegin(), tokens_.cend(), [&](const Token& token) {
        switch (token.field) {
        case Field::Literal: return fits(token.literal);
        case Field::DayName: return allFit(dayNames_);
        case Field::DayNameLong: return allFit(dayNamesLong_);
        case Field::MonthName: return allFit(monthNames_);
        case Field::MonthNameLong: return allFit(monthNamesLong_);
        case Field::Second: case Field::Second2: return fits(QStringView(&decimalPoint_, 1));
        case Field::AmPm: return fits(dayPeriods_[false][false]) && fits(dayPeriods_[false][true]);
        case Field::AmPmUpper: return fits(dayPeriods_[true][false]) && fits(dayPeriods_[true][true]);
        default: return true; // digits
        }
    });
}

DateTimePattern::DateTimePattern(const QLocale& locale, const QString& format, bool withSeconds)
    : decimalPoint_(locale.decimalPoint().at(0)),
      dayPeriods_{{locale.amText().toLower().left(MostNameUnits), locale.pmText().toLower().left(MostNameUnits)},
                  {locale.amText().toUpper().left(MostNameUnits), locale.pmText().toUpper().left(MostNameUnits)}}
{
    for (int month = 1; month <= 12; ++month) {
        monthNames_ << locale.monthName(month, QLocale::ShortFormat).left(MostNameUnits);
        monthNamesLong_ << locale.monthName(month, QLocale::LongFormat).left(MostNameUnits);
    }
    for (int day = 1; day <= 7; ++day) {
        dayNames_ << locale.dayName(day, QLocale::ShortFormat).left(MostNameUnits);
        dayNamesLong_ << locale.dayName(day, QLocale::LongFormat).left(MostNameUnits);
    }
    bool twelveHour = false;
    const auto addLiteral = [this](const QString& text) {
        if (!tokens_.isEmpty() && tokens_.last().field == Field::Literal)
            tokens_.last().literal += text;
        else
            tokens_.append({Field::Literal, text});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            if (end == i + 1)
                addLiteral(QStringLiteral("'"));
            else
                addLiteral(format.mid(i + 1, end < 0 ? -1 : end - i - 1));
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        switch (c.unicode()) {
        case 'd': tokens_.append({run == 1 ? Field::Day : run == 2 ? Field::Day2 : run == 3 ? Field::DayName : Field::DayNameLong, {}}); break;
        case 'M': tokens_.append({run == 1 ? Field::Month : run == 2 ? Field::Month2 : run == 3 ? Field::MonthName : Field::MonthNameLong, {}}); break;
        case 'y': tokens_.append({Field::Year, {}}); break;
        case 'h': tokens_.append({run == 1 ? Field::Hour12 : Field::Hour12_2, {}}); break;
        case 'H': tokens_.append({run == 1 ? Field::Hour24 : Field::Hour24_2, {}}); break;
        case 'm': tokens_.append({run == 1 ? Field::Minute : Field::Minute2, {}}); break;
        case 's': tokens_.append({run == 1 ? Field::Second : Field::Second2, {}}); break;
        case 'z': break; // the fraction follows the seconds by itself
        case 'a':
        case 'A':
            // "AP"/"ap" is one field, as is a lone "A"/"a".
            twelveHour = true;
            tokens_.append({c == QLatin1Char('A') ? Field::AmPmUpper : Field::AmPm, {}});
            if (i + run < format.size() && format[i + run].toLower() == QLatin1Char('p'))
                ++run;
            break;
        case 't':
            // No zone: the field goes; TidyLiterals() takes the blanks and brackets it leaves.
            break;
        default: addLiteral(QString(run, c)); break;
        }
        i += run;
    }
    tidyLiterals();
    // Qt's "h" means 12-hour only beside an AM/PM field.
    if (!twelveHour)
        for (Token& token : tokens_) {
            if (token.field == Field::Hour12) token.field = Field::Hour24;
            if (token.field == Field::Hour12_2) token.field = Field::Hour24_2;
        }
    const auto isSecond = [](const Token& t) { return t.field == Field::Second || t.field == Field::Second2; };
    if (withSeconds && std::none_of(tokens_.cbegin(), tokens_.cend(), isSecond)) {
        for (qsizetype i = 0; i < tokens_.size(); ++i) {
            const Field f = tokens_[i].field;
            if (f == Field::Minute || f == Field::Minute2) {
                tokens_.insert(i + 1, {Field::Literal, QStringLiteral(":")});
                tokens_.insert(i + 2, {Field::Second2, {}});
                break;
            }
        }
    }
    ascii_ = std::all_of(tokens_.cbegin(), tokens_.cend(), [this](const Token& token) { return putsOnlyAscii(token); });
}

// Without the zone field some forms keep what stood around it: "t HH:mm:ss" a leading blank,
// "H:mm:ss (t)" empty brackets. No text starts or ends with a blank, holds two in a row or
// empty brackets.
void DateTimePattern::tidyLiterals()
{
    // Literals that met where the field was are one.
    for (qsizetype i = 1; i < tokens_.size();) {
        if (tokens_[i].field == Field::Literal && tokens_[i - 1].field == Field::Literal) {
            tokens_[i - 1].literal += tokens_[i].literal;
            tokens_.removeAt(i);
        } else {
            ++i;
        }
    }
    static const QRegularExpression emptyBrackets(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]"));
    static const QRegularExpression blanks(QStringLiteral("\\s{2,}"));
    for (qsizetype i = 0; i < tokens_.size(); ++i) {
        QString& text = tokens_[i].literal;
        if (tokens_[i].field != Field::Literal)
            continue;
        text.remove(emptyBrackets);
        // A run of blanks becomes its first one (which may be a no-break space).
        for (QRegularExpressionMatch run = blanks.match(text); run.hasMatch(); run = blanks.match(text))
            text.remove(run.capturedStart() + 1, run.capturedLength() - 1);
        if (i == 0)
            while (!text.isEmpty() && text.front().isSpace())
                text.remove(0, 1);
        if (i == tokens_.size() - 1)
            while (!text.isEmpty() && text.back().isSpace())
                text.chop(1);
    }
    tokens_.removeIf([](const Token& token) { return token.field == Field::Literal && token.literal.isEmpty(); });
}

bool DateTimePattern::putsOnlyAscii(const Token& token) const
{
    switch (token.field) {
    case Field::Literal: return IsAscii(token.literal);
    case Field::DayName: return AreAscii(dayNames_);
    case Field::DayNameLong: return AreAscii(dayNamesLong_);
    case Field::MonthName: return AreAscii(monthNames_);
    case Field::MonthNameLong: return AreAscii(monthNamesLong_);
    case Field::Second: case Field::Second2: return decimalPoint_.unicode() < 0x80;
    case Field::AmPm: return IsAscii(dayPeriods_[false][false]) && IsAscii(dayPeriods_[false][true]);
    case Field::AmPmUpper: return IsAscii(dayPeriods_[true][false]) && IsAscii(dayPeriods_[true][true]);
    default: return true; // digits
    }
}

template <typename Out>
void DateTimePattern::append(int year, int month, int day, int hour, int minute, int second,
                             quint32 nanoseconds, Out& out) const
{
    // Most regional forms are ASCII: then the text goes to the export's bytes as it is.
    if (ascii_)
        put<char>(year, month, day, hour, minute, second, nanoseconds, out);
    else
        put<char16_t>(year, month, day, hour, minute, second, nanoseconds, out);
}

template <typename Char, typename Out>
void DateTimePattern::put(int year, int month, int day, int hour, int minute, int second,
                          quint32 nanoseconds, Out& out) const
{
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    Char buffer[256];
    Char* at = buffer;
    for (const Token& token : tokens_) {
        // Names and literals are short; a pattern that could overflow goes through in pieces.
        if (at - buffer > 128) {
            Emit(buffer, at, out);
            at = buffer;
        }
        switch (token.field) {
        case Field::Literal:
            if (token.literal.size() > 64) {
                Emit(buffer, at, out);
                AppendText(out, token.literal);
                at = buffer;
            } else {
                at = PutText(at, token.literal);
            }
            break;
        case Field::Day: at = PutNumber(at, day, 1); break;
        case Field::Day2: at = PutNumber(at, day, 2); break;
        case Field::DayName: at = PutText(at, NameAt(dayNames_, QDate(year, month, day).dayOfWeek() - 1)); break;
        case Field::DayNameLong: at = PutText(at, NameAt(dayNamesLong_, QDate(year, month, day).dayOfWeek() - 1)); break;
        case Field::Month: at = PutNumber(at, month, 1); break;
        case Field::Month2: at = PutNumber(at, month, 2); break;
        case Field::MonthName: at = PutText(at, NameAt(monthNames_, month - 1)); break;
        case Field::MonthNameLong: at = PutText(at, NameAt(monthNamesLong_, month - 1)); break;
        case Field::Year: at = PutNumber(at, year, 4); break;
        case Field::Hour12: at = PutNumber(at, hour12, 1); break;
        case Field::Hour12_2: at = PutNumber(at, hour12, 2); break;
        case Field::Hour24: at = PutNumber(at, hour, 1); break;
        case Field::Hour24_2: at = PutNumber(at, hour, 2); break;
        case Field::Minute: at = PutNumber(at, minute, 1); break;
        case Field::Minute2: at = PutNumber(at, minute, 2); break;
        case Field::Second:
        case Field::Second2:
            at = PutNumber(at, second, token.field == Field::Second ? 1 : 2);
            if (nanoseconds) {
                *at++ = Char(decimalPoint_.unicode());
                at = PutFraction(at, nanoseconds);
            }
            break;
        case Field::AmPm: at = PutText(at, dayPeriods_[false][hour >= 12]); break;
        case Field::AmPmUpper: at = PutText(at, dayPeriods_[true][hour >= 12]); break;
        }
    }
    Emit(buffer, at, out);
}

// The two outputs: a preview cell and the export's bytes.
template void DateTimePattern::append(int, int, int, int, int, int, quint32, QString&) const;
template void DateTimePattern::append(int, int, int, int, int, int, quint32, AnsiBuffer&) const;

} // namespace velloxa
