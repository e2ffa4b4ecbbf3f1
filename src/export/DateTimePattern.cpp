#include "export/DateTimePattern.h"

#include <QDate>

namespace velloxa {

namespace {

// Writes into a small buffer: a date costs one append to the line, not one per character.
char16_t* PutNumber(char16_t* at, int value, int width)
{
    char16_t digits[12];
    int count = 0;
    unsigned magnitude = unsigned(value < 0 ? -value : value);
    do {
        digits[count++] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    while (count < width)
        digits[count++] = u'0';
    if (value < 0)
        *at++ = u'-';
    while (count)
        *at++ = digits[--count];
    return at;
}

char16_t* PutText(char16_t* at, const QString& text)
{
    return std::copy(text.utf16(), text.utf16() + text.size(), at);
}

// Nanoseconds as a decimal fraction without trailing zeros.
char16_t* PutFraction(char16_t* at, quint32 nanoseconds)
{
    char16_t digits[9];
    for (int i = 8; i >= 0; --i) {
        digits[i] = char16_t(u'0' + nanoseconds % 10);
        nanoseconds /= 10;
    }
    int count = 9;
    while (count > 1 && digits[count - 1] == u'0')
        --count;
    return std::copy(digits, digits + count, at);
}

} // namespace

DateTimePattern DateTimePattern::shortDate(const QLocale& locale)
{
    return DateTimePattern(locale, locale.dateFormat(QLocale::ShortFormat));
}

DateTimePattern DateTimePattern::timeWithSeconds(const QLocale& locale)
{
    DateTimePattern pattern(locale, locale.timeFormat(QLocale::LongFormat));
    const auto isSecond = [](const Token& t) { return t.field == Field::Second || t.field == Field::Second2; };
    if (std::none_of(pattern.tokens_.cbegin(), pattern.tokens_.cend(), isSecond)) {
        for (qsizetype i = 0; i < pattern.tokens_.size(); ++i) {
            const Field f = pattern.tokens_[i].field;
            if (f == Field::Minute || f == Field::Minute2) {
                pattern.tokens_.insert(i + 1, {Field::Literal, QStringLiteral(":")});
                pattern.tokens_.insert(i + 2, {Field::Second2, {}});
                break;
            }
        }
    }
    return pattern;
}

DateTimePattern::DateTimePattern(const QLocale& locale, const QString& format)
    : decimalPoint_(locale.decimalPoint().at(0)),
      dayPeriods_{{locale.amText().toLower(), locale.pmText().toLower()},
                  {locale.amText().toUpper(), locale.pmText().toUpper()}}
{
    for (int month = 1; month <= 12; ++month) {
        monthNames_ << locale.monthName(month, QLocale::ShortFormat);
        monthNamesLong_ << locale.monthName(month, QLocale::LongFormat);
    }
    for (int day = 1; day <= 7; ++day) {
        dayNames_ << locale.dayName(day, QLocale::ShortFormat);
        dayNamesLong_ << locale.dayName(day, QLocale::LongFormat);
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
            tokens_.append({Field::AmPm, c == QLatin1Char('A') ? QStringLiteral("A") : QStringLiteral("a")});
            if (i + run < format.size() && format[i + run].toLower() == QLatin1Char('p'))
                ++run;
            break;
        case 't':
            // No zone: drop the field and the blank before it.
            if (!tokens_.isEmpty() && tokens_.last().field == Field::Literal) {
                tokens_.last().literal = tokens_.last().literal.trimmed();
                if (tokens_.last().literal.isEmpty())
                    tokens_.removeLast();
            }
            break;
        default: addLiteral(QString(run, c)); break;
        }
        i += run;
    }
    // Qt's "h" means 12-hour only beside an AM/PM field.
    if (!twelveHour)
        for (Token& token : tokens_) {
            if (token.field == Field::Hour12) token.field = Field::Hour24;
            if (token.field == Field::Hour12_2) token.field = Field::Hour24_2;
        }
}

void DateTimePattern::append(int year, int month, int day, int hour, int minute, int second,
                             quint32 nanoseconds, QString& out) const
{
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char16_t buffer[256];
    char16_t* at = buffer;
    for (const Token& token : tokens_) {
        // Names and literals are short; a pattern that could overflow goes through in pieces.
        if (at - buffer > 128) {
            out.append(QStringView(buffer, at - buffer));
            at = buffer;
        }
        switch (token.field) {
        case Field::Literal:
            if (token.literal.size() > 64) {
                out.append(QStringView(buffer, at - buffer));
                out += token.literal;
                at = buffer;
            } else {
                at = PutText(at, token.literal);
            }
            break;
        case Field::Day: at = PutNumber(at, day, 1); break;
        case Field::Day2: at = PutNumber(at, day, 2); break;
        case Field::DayName: at = PutText(at, dayNames_.value(QDate(year, month, day).dayOfWeek() - 1).left(64)); break;
        case Field::DayNameLong: at = PutText(at, dayNamesLong_.value(QDate(year, month, day).dayOfWeek() - 1).left(64)); break;
        case Field::Month: at = PutNumber(at, month, 1); break;
        case Field::Month2: at = PutNumber(at, month, 2); break;
        case Field::MonthName: at = PutText(at, monthNames_.value(month - 1).left(64)); break;
        case Field::MonthNameLong: at = PutText(at, monthNamesLong_.value(month - 1).left(64)); break;
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
                *at++ = decimalPoint_.unicode();
                at = PutFraction(at, nanoseconds);
            }
            break;
        case Field::AmPm: {
            const bool upper = token.literal == QLatin1String("A");
            at = PutText(at, dayPeriods_[upper][hour >= 12].left(64));
            break;
        }
        }
    }
    out.append(QStringView(buffer, at - buffer));
}

} // namespace velloxa
