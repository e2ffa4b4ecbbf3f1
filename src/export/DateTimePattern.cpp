#include "export/DateTimePattern.h"

#include "export/AnsiText.h"
#include "export/DecimalDigits.h"
#include "export/TextOutput.h"
#include "export/Utf8Text.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace velloxa {

namespace {

// Writes into a small buffer: a date costs one append to the line, not one per character.
// The buffer holds char when every character the pattern puts is ASCII, char16_t otherwise.
template <typename Char>
Char* PutNumber(Char* at, int value, int width)
{
    if (value >= 0 && value < 100 && width <= 2)
        return width == 2 ? PutTwoDigits(at, unsigned(value)) : PutOneOrTwoDigits(at, unsigned(value));
    return PutSigned(at, value, width);
}

template <typename Char>
Char* PutYear(Char* at, int year)
{
    if (year < 1000 || year > 9999)
        return PutSigned(at, year, 4);
    return PutTwoDigits(PutTwoDigits(at, unsigned(year / 100)), unsigned(year % 100));
}

// The two digits of 0 to 99, as DigitPairs has them, for the hour on a 12-hour clock: 0
// and 12 are "12".
constexpr std::array<char, 200> TwelveHourPairs = [] {
    std::array<char, 200> pairs{};
    for (size_t i = 0; i < 100; ++i) {
        const size_t hour = i % 12 == 0 ? 12 : i % 12;
        pairs[2 * i] = DigitPairs[2 * hour];
        pairs[2 * i + 1] = DigitPairs[2 * hour + 1];
    }
    return pairs;
}();

// The fraction of a second as datetime has it (whole milliseconds): for each, its digits
// without trailing zeros in three places, then how many bytes it takes with the decimal point
// (none for 0).
constexpr std::array<std::array<char, 4>, 1000> MillisecondTexts = [] {
    std::array<std::array<char, 4>, 1000> texts{};
    for (size_t ms = 0; ms < texts.size(); ++ms) {
        auto& text = texts[ms];
        text = {char('0' + ms / 100), char('0' + ms / 10 % 10), char('0' + ms % 10), 0};
        int digits = 3;
        while (digits > 0 && text[size_t(digits - 1)] == '0')
            --digits;
        text[3] = char(digits ? digits + 1 : 0);
    }
    return texts;
}();

// Nanoseconds (not zero) as a decimal fraction without trailing zeros; writes nine bytes.
// The last eight digits are one word: its trailing '0' bytes are counted, not looped over.
Q_NEVER_INLINE char* PutNanoseconds(char* at, quint32 nanoseconds)
{
    nanoseconds %= 1000000000;
    *at = char('0' + nanoseconds / 100000000);
    const std::uint64_t digits = EightDigits(nanoseconds % 100000000);
    std::memcpy(at + 1, &digits, 8);
    const std::uint64_t values = digits - 0x3030303030303030; // each byte its digit's value
    if (!values)
        return at + 1;
    // The last digit is the word's highest byte on a little-endian machine, its lowest else.
    const int zeros = (std::endian::native == std::endian::little ? std::countl_zero(values) : std::countr_zero(values)) / 8;
    return at + 9 - zeros;
}

// The decimal point and the fraction of a second, nothing when it is zero. Writes up to ten
// bytes past `at` whatever it returns.
Q_ALWAYS_INLINE char* PutFraction(char* at, char decimalPoint, quint32 nanoseconds)
{
    const quint32 milliseconds = nanoseconds / 1000000;
    *at = decimalPoint;
    if (milliseconds * 1000000 == nanoseconds && milliseconds < 1000) {
        const auto& text = MillisecondTexts[milliseconds];
        std::memcpy(at + 1, text.data(), text.size());
        return at + text[3];
    }
    return PutNanoseconds(at + 1, nanoseconds);
}

char16_t* PutFraction(char16_t* at, char16_t decimalPoint, quint32 nanoseconds)
{
    if (!nanoseconds)
        return at;
    *at++ = decimalPoint;
    char digits[16];
    const char* const end = PutNanoseconds(digits, nanoseconds);
    return std::copy(static_cast<const char*>(digits), end, at);
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

template <typename Char>
const Char* UnitsOf(const char* bytes, const char16_t* units)
{
    if constexpr (sizeof(Char) == 1)
        return bytes;
    else
        return units;
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

DateTimePattern DateTimePattern::dateAndTime(const DateTimePattern& date, const DateTimePattern& time)
{
    // Both come from one locale: the names are the same. The fraction of the seconds takes the
    // time's separator (a Windows-1252 file may have the numeric time of another form).
    DateTimePattern joined = date;
    joined.decimalPoint_ = time.decimalPoint_;
    joined.addLiteral(QStringLiteral(" "));
    for (const Token& token : time.tokens_) {
        if (token.field == Field::Literal)
            joined.addLiteral(token.literal);
        else
            joined.tokens_.append(token);
    }
    joined.ascii_ = date.ascii_ && time.ascii_;
    joined.compile();
    return joined;
}

void DateTimePattern::addLiteral(const QString& text)
{
    if (!tokens_.isEmpty() && tokens_.last().field == Field::Literal)
        tokens_.last().literal += text;
    else
        tokens_.append({Field::Literal, text});
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
    compile();
}

void DateTimePattern::compile()
{
    const auto shortText = [](auto& compiled, QStringView text) {
        compiled.size = quint8(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            compiled.bytes[i] = char(text[i].unicode());
            compiled.units[i] = text[i].unicode();
        }
    };
    const auto names = [&](const QStringList& texts) {
        std::vector<Name> compiled(size_t(texts.size()));
        for (qsizetype i = 0; i < texts.size(); ++i)
            shortText(compiled[size_t(i)], texts[i]);
        return compiled;
    };
    months_ = names(monthNames_);
    monthsLong_ = names(monthNamesLong_);
    days_ = names(dayNames_);
    daysLong_ = names(dayNamesLong_);
    for (int upper = 0; upper < 2; ++upper)
        for (int pm = 0; pm < 2; ++pm)
            shortText(periods_[upper][pm], dayPeriods_[upper][pm]);
    // Each field takes the literal after it; a longer literal goes in pieces of its own.
    pieces_.clear();
    for (const Token& token : std::as_const(tokens_)) {
        if (token.field != Field::Literal) {
            pieces_.push_back({token.field, {}});
            continue;
        }
        QStringView rest = token.literal;
        if (!pieces_.empty() && pieces_.back().literal.size == 0) {
            const QStringView head = rest.first(qMin<qsizetype>(MostLiteralUnits, rest.size()));
            shortText(pieces_.back().literal, head);
            rest = rest.sliced(head.size());
        }
        for (; !rest.isEmpty(); rest = rest.sliced(qMin<qsizetype>(MostLiteralUnits, rest.size()))) {
            pieces_.push_back({Field::Literal, {}});
            shortText(pieces_.back().literal, rest.first(qMin<qsizetype>(MostLiteralUnits, rest.size())));
        }
    }
    // The most one value can take, with the block that the last copy may write beyond it.
    const auto longest = [](const std::vector<Name>& names) {
        int most = 0;
        for (const Name& name : names)
            most = qMax<int>(most, name.size);
        return most;
    };
    mostUnits_ = MostLiteralUnits;
    for (const Piece& piece : pieces_) {
        mostUnits_ += piece.literal.size;
        switch (piece.field) {
        case Field::Literal: break;
        case Field::DayName: mostUnits_ += longest(days_); break;
        case Field::DayNameLong: mostUnits_ += longest(daysLong_); break;
        case Field::MonthName: mostUnits_ += longest(months_); break;
        case Field::MonthNameLong: mostUnits_ += longest(monthsLong_); break;
        case Field::AmPm:
        case Field::AmPmUpper: mostUnits_ += MostNameUnits; break;
        case Field::Second:
        case Field::Second2: mostUnits_ += 11 + 1 + 9; break;
        default: mostUnits_ += 11; break; // any int
        }
    }
    compileFixedLayout();
    compileFlowingLayout();
}

void DateTimePattern::compileFixedLayout()
{
    fixed_ = {};
    if (!ascii_)
        return;
    FixedLayout layout;
    int length = 0;
    const auto place = [&](FixedLayout::Source source) {
        if (length + 2 > FixedLayout::MostBytes || layout.placeOf[source] != FixedLayout::Nowhere)
            return false;
        layout.placeOf[source] = quint8(length);
        length += 2;
        return true;
    };
    for (qsizetype i = 0; i < tokens_.size(); ++i) {
        const Token& token = tokens_[i];
        bool fits = true;
        switch (token.field) {
        case Field::Literal:
            fits = length + token.literal.size() <= FixedLayout::MostBytes;
            for (qsizetype j = 0; fits && j < token.literal.size(); ++j)
                layout.bytes[length++] = char(token.literal[j].unicode());
            break;
        case Field::Year: fits = place(FixedLayout::Century) && place(FixedLayout::YearOfCentury); break;
        case Field::Month2: fits = place(FixedLayout::Month); break;
        case Field::Day2: fits = place(FixedLayout::Day); break;
        case Field::Hour24_2: fits = place(FixedLayout::Hour); break;
        case Field::Hour12_2: fits = place(FixedLayout::Hour12); break;
        case Field::Minute2: fits = place(FixedLayout::Minute); break;
        // The fraction follows the seconds: at the end of the text.
        case Field::Second2: fits = i == tokens_.size() - 1 && place(FixedLayout::Second); break;
        default: fits = false; break;
        }
        if (!fits)
            return;
    }
    layout.length = quint8(length);
    layout.decimalPoint = char(decimalPoint_.unicode());
    fixed_ = layout;
}

// A year of four digits and fields below 64, as every valid value has (a leap second too):
// one test for all of them. Anything else takes the general way, which writes any number.
template <typename Value>
bool DateTimePattern::inLayoutRange(const Value& value)
{
    return unsigned(value.year - 1000) < 9000
        && unsigned(value.month | value.day | value.hour | value.minute | value.second) < 64;
}

// The layout's bytes, then each field's two digits in its place: no walk over pieces.
template <typename Value>
Q_ALWAYS_INLINE char* DateTimePattern::putFixed(char* at, const Value& value) const
{
    // The fields used twice read once: the bytes written could be any of them as far as the
    // compiler knows.
    const unsigned year = unsigned(value.year), hour = unsigned(value.hour);
    std::memcpy(at, fixed_.bytes, FixedLayout::MostBytes);
    // Each field's two digits one load from a table of pairs.
    const auto put = [&](FixedLayout::Source source, const std::array<char, 200>& pairs, size_t number) {
        std::memcpy(at + fixed_.placeOf[source], &pairs[2 * number], 2);
    };
    put(FixedLayout::Century, DigitPairs, year / 100);
    put(FixedLayout::YearOfCentury, DigitPairs, year % 100);
    put(FixedLayout::Month, DigitPairs, unsigned(value.month));
    put(FixedLayout::Day, DigitPairs, unsigned(value.day));
    put(FixedLayout::Hour, DigitPairs, hour);
    put(FixedLayout::Hour12, TwelveHourPairs, hour);
    put(FixedLayout::Minute, DigitPairs, unsigned(value.minute));
    put(FixedLayout::Second, DigitPairs, unsigned(value.second));
    return PutFraction(at + fixed_.length, fixed_.decimalPoint, value.fraction);
}

void DateTimePattern::compileFlowingLayout()
{
    flowing_ = {};
    if (!ascii_ || tokens_.size() > 2 * MostFlowingPieces)
        return;
    FlowingLayout layout;
    int periodCase = -1;
    for (const Token& token : std::as_const(tokens_)) {
        if (token.field == Field::Literal) {
            // A literal goes after a field: one that starts the pattern takes the general way.
            if (layout.pieces.empty() || token.literal.size() > qsizetype(sizeof(FlowingPiece::literal)))
                return;
            const QByteArray literal = token.literal.toLatin1(); // ASCII
            FlowingPiece& last = layout.pieces.back();
            last.literalSize = quint8(literal.size());
            std::memcpy(last.literal, literal.constData(), size_t(literal.size()));
            continue;
        }
        const auto add = [&](quint8 source, bool shortBelowTen) { layout.pieces.push_back({source, shortBelowTen, false, 0, {}}); };
        switch (token.field) {
        case Field::Year: add(FixedLayout::Century, false); add(FixedLayout::YearOfCentury, false); break;
        case Field::Month: case Field::Month2: add(FixedLayout::Month, token.field == Field::Month); break;
        case Field::Day: case Field::Day2: add(FixedLayout::Day, token.field == Field::Day); break;
        case Field::Hour24: case Field::Hour24_2: add(FixedLayout::Hour, token.field == Field::Hour24); break;
        case Field::Hour12: case Field::Hour12_2: add(FixedLayout::Hour12, token.field == Field::Hour12); break;
        case Field::Minute: case Field::Minute2: add(FixedLayout::Minute, token.field == Field::Minute); break;
        case Field::Second: case Field::Second2:
            add(FixedLayout::Second, token.field == Field::Second);
            layout.pieces.back().fractionAfter = true;
            break;
        case Field::AmPm: case Field::AmPmUpper: {
            const int upper = token.field == Field::AmPmUpper;
            for (int pm = 0; pm < 2; ++pm)
                if (periods_[upper][pm].size > sizeof layout.dayPeriods[pm] || (periodCase >= 0 && periodCase != upper))
                    return;
            periodCase = upper;
            for (int pm = 0; pm < 2; ++pm) {
                layout.dayPeriodSizes[pm] = periods_[upper][pm].size;
                std::memcpy(layout.dayPeriods[pm], periods_[upper][pm].bytes, sizeof layout.dayPeriods[pm]);
            }
            add(DayPeriod, false);
            break;
        }
        default: return; // names
        }
    }
    if (layout.pieces.size() > size_t(MostFlowingPieces))
        return;
    flowing_ = layout;
}

// Each piece: its two digits, or one below ten for a short field, or the day period, then its
// literal; the blocks copied may reach past what the piece puts, the next piece writes over.
template <typename Value>
Q_NEVER_INLINE char* DateTimePattern::putFlowing(char* at, const Value& value) const
{
    const unsigned year = unsigned(value.year), hour = unsigned(value.hour);
    const unsigned numbers[FixedLayout::Sources] = {year / 100, year % 100, unsigned(value.month), unsigned(value.day),
                                                    hour, hour % 12 == 0 ? 12 : hour % 12, unsigned(value.minute),
                                                    unsigned(value.second)};
    const quint32 fraction = value.fraction;
    const bool pm = hour >= 12;
    for (const FlowingPiece& piece : flowing_.pieces) {
        if (piece.source == DayPeriod) {
            std::memcpy(at, flowing_.dayPeriods[pm], 8);
            at += flowing_.dayPeriodSizes[pm];
        } else {
            const unsigned number = numbers[piece.source];
            const unsigned skip = piece.shortBelowTen & (number < 10);
            std::memcpy(at, &DigitPairs[2 * number + skip], 2);
            at += 2 - skip;
        }
        if (piece.fractionAfter)
            at = PutFraction(at, char(decimalPoint_.unicode()), fraction);
        std::memcpy(at, piece.literal, sizeof piece.literal);
        at += piece.literalSize;
    }
    return at;
}

// One call for a value: the fixed layout inline, any other pattern (and value) apart.
template <typename Value, typename Out>
void DateTimePattern::appendFields(const Value& value, Out& out) const
{
    if (fixed_.length && inLayoutRange(value))
        PutAscii<MostFixedBytes>(out, [&](char* at) { return putFixed(at, value); });
    else if (!flowing_.pieces.empty() && inLayoutRange(value))
        PutAscii<MostFlowingBytes>(out, [&](char* at) { return putFlowing(at, value); });
    else
        appendAny(Fields{value.year, value.month, value.day, value.hour, value.minute, value.second, value.fraction}, out);
}

template <typename Out>
void DateTimePattern::append(int year, int month, int day, int hour, int minute, int second, quint32 nanoseconds,
                             Out& out) const
{
    appendFields(Fields{year, month, day, hour, minute, second, nanoseconds}, out);
}

template <typename Out>
void DateTimePattern::append(const SQL_TIMESTAMP_STRUCT& value, Out& out) const
{
    appendFields(value, out);
}

qsizetype DateTimePattern::mostBytes() const
{
    // UTF-8 takes up to three bytes a unit; the fixed layout copies all of its bytes.
    return MostUtf8Bytes(qMax<qsizetype>(mostUnits_, FixedLayout::MostBytes + 16));
}

// The name at `index`, none for an index out of range (an invalid date has no weekday).
const DateTimePattern::Name& DateTimePattern::name(const std::vector<Name>& names, int index) const
{
    return index >= 0 && size_t(index) < names.size() ? names[size_t(index)] : none_;
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

QString DateTimePattern::characters() const
{
    QString all = QStringLiteral("0123456789-");
    all += decimalPoint_;
    for (const Token& token : tokens_) {
        switch (token.field) {
        case Field::Literal: all += token.literal; break;
        case Field::DayName: all += dayNames_.join(QString()); break;
        case Field::DayNameLong: all += dayNamesLong_.join(QString()); break;
        case Field::MonthName: all += monthNames_.join(QString()); break;
        case Field::MonthNameLong: all += monthNamesLong_.join(QString()); break;
        case Field::AmPm: all += dayPeriods_[false][false] + dayPeriods_[false][true]; break;
        case Field::AmPmUpper: all += dayPeriods_[true][false] + dayPeriods_[true][true]; break;
        default: break;
        }
    }
    QString unique;
    for (const QChar c : std::as_const(all))
        if (!unique.contains(c))
            unique += c;
    return unique;
}

template <typename Out>
Q_NEVER_INLINE void DateTimePattern::appendAny(const Fields& value, Out& out) const
{
    // Most regional forms are ASCII: then the text goes to the export's bytes as it is.
    if (ascii_)
        put<char>(value, out);
    else
        put<char16_t>(value, out);
}

// Inline: one call for each piece of every date would cost more than the piece.
template <typename Char>
Q_ALWAYS_INLINE Char* DateTimePattern::putPiece(Char* at, const Piece& piece, const Fields& value) const
{
    constexpr int Block = 16 / sizeof(Char);
    const auto putName = [](Char* at, const Name& text) {
        const Char* from = UnitsOf<Char>(text.bytes, text.units);
        for (int i = 0; i < text.size; i += Block)
            std::memcpy(at + i, from + i, 16);
        return at + text.size;
    };
    switch (piece.field) {
    case Field::Literal: break;
    case Field::Day: at = PutNumber(at, value.day, 1); break;
    case Field::Day2: at = PutNumber(at, value.day, 2); break;
    case Field::DayName: at = putName(at, name(days_, QDate(value.year, value.month, value.day).dayOfWeek() - 1)); break;
    case Field::DayNameLong: at = putName(at, name(daysLong_, QDate(value.year, value.month, value.day).dayOfWeek() - 1)); break;
    case Field::Month: at = PutNumber(at, value.month, 1); break;
    case Field::Month2: at = PutNumber(at, value.month, 2); break;
    case Field::MonthName: at = putName(at, name(months_, value.month - 1)); break;
    case Field::MonthNameLong: at = putName(at, name(monthsLong_, value.month - 1)); break;
    case Field::Year: at = PutYear(at, value.year); break;
    case Field::Hour12: at = PutNumber(at, value.hour12(), 1); break;
    case Field::Hour12_2: at = PutNumber(at, value.hour12(), 2); break;
    case Field::Hour24: at = PutNumber(at, value.hour, 1); break;
    case Field::Hour24_2: at = PutNumber(at, value.hour, 2); break;
    case Field::Minute: at = PutNumber(at, value.minute, 1); break;
    case Field::Minute2: at = PutNumber(at, value.minute, 2); break;
    case Field::Second:
    case Field::Second2:
        at = PutFraction(PutNumber(at, value.second, piece.field == Field::Second ? 1 : 2),
                         Char(decimalPoint_.unicode()), value.fraction);
        break;
    case Field::AmPm: at = putName(at, periods_[false][value.hour >= 12]); break;
    case Field::AmPmUpper: at = putName(at, periods_[true][value.hour >= 12]); break;
    }
    std::memcpy(at, UnitsOf<Char>(piece.literal.bytes, piece.literal.units), MostLiteralUnits * sizeof(Char));
    return at + piece.literal.size;
}

template <typename Char, typename Out>
void DateTimePattern::put(const Fields& value, Out& out) const
{
    constexpr int BufferUnits = 256;
    if constexpr (sizeof(Char) == 1) {
        // ASCII: straight into the output, in one piece.
        if (mostUnits_ <= BufferUnits) {
            PutAscii<BufferUnits>(out, [&](char* at) {
                for (const Piece& piece : pieces_)
                    at = putPiece(at, piece, value);
                return at;
            });
            return;
        }
    }
    // A piece puts at most a name (64 units), its literal (16) and a block more: the buffer
    // is flushed once half full.
    Char buffer[BufferUnits];
    Char* at = buffer;
    for (const Piece& piece : pieces_) {
        if (at - buffer > BufferUnits / 2) {
            Emit(buffer, at, out);
            at = buffer;
        }
        at = putPiece(at, piece, value);
    }
    Emit(buffer, at, out);
}

// The outputs: a preview cell and the export's bytes (a buffer, a row's reserved room).
#define VELLOXA_DATE_TIME_OUTPUT(Out)                                                         \
    template void DateTimePattern::append(int, int, int, int, int, int, quint32, Out&) const; \
    template void DateTimePattern::append(const SQL_TIMESTAMP_STRUCT&, Out&) const;

VELLOXA_DATE_TIME_OUTPUT(QString)
VELLOXA_DATE_TIME_OUTPUT(FileBuffer)
VELLOXA_DATE_TIME_OUTPUT(ReservedBytes)

#undef VELLOXA_DATE_TIME_OUTPUT

} // namespace velloxa
