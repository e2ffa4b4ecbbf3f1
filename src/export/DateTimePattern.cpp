#include "export/DateTimePattern.h"

#include <QDate>

namespace velloxa {

namespace {

void AppendNumber(int value, int width, QString& out)
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
        out += QLatin1Char('-');
    while (count)
        out += QChar(digits[--count]);
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
    : decimalPoint_(locale.decimalPoint().at(0)), am_(locale.amText()), pm_(locale.pmText())
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
    for (const Token& token : tokens_) {
        switch (token.field) {
        case Field::Literal: out += token.literal; break;
        case Field::Day: AppendNumber(day, 1, out); break;
        case Field::Day2: AppendNumber(day, 2, out); break;
        case Field::DayName: out += dayNames_.value(QDate(year, month, day).dayOfWeek() - 1); break;
        case Field::DayNameLong: out += dayNamesLong_.value(QDate(year, month, day).dayOfWeek() - 1); break;
        case Field::Month: AppendNumber(month, 1, out); break;
        case Field::Month2: AppendNumber(month, 2, out); break;
        case Field::MonthName: out += monthNames_.value(month - 1); break;
        case Field::MonthNameLong: out += monthNamesLong_.value(month - 1); break;
        case Field::Year: AppendNumber(year, 4, out); break;
        case Field::Hour12: AppendNumber(hour12, 1, out); break;
        case Field::Hour12_2: AppendNumber(hour12, 2, out); break;
        case Field::Hour24: AppendNumber(hour, 1, out); break;
        case Field::Hour24_2: AppendNumber(hour, 2, out); break;
        case Field::Minute: AppendNumber(minute, 1, out); break;
        case Field::Minute2: AppendNumber(minute, 2, out); break;
        case Field::Second:
        case Field::Second2:
            AppendNumber(second, token.field == Field::Second ? 1 : 2, out);
            if (nanoseconds) {
                QString fraction = QString::number(nanoseconds).rightJustified(9, QLatin1Char('0'));
                while (fraction.endsWith(QLatin1Char('0')))
                    fraction.chop(1);
                out += decimalPoint_;
                out += fraction;
            }
            break;
        case Field::AmPm: {
            const QString& text = hour < 12 ? am_ : pm_;
            out += token.literal == QLatin1String("A") ? text.toUpper() : text.toLower();
            break;
        }
        }
    }
}

} // namespace velloxa
