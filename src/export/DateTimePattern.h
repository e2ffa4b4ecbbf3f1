#pragma once

#include <QChar>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace velloxa {

// A locale's date or time format, compiled once so that a million values cost no format
// parsing. Knows the fields of QLocale formats (d dd ddd dddd M MM MMM MMMM yy yyyy
// h hh H HH m mm s ss AP ap A a, quoted literals); "yy" is widened to four digits (a
// two-digit year loses data), seconds are added to a time form that lacks them, and the
// time-zone field is dropped (the server's values carry no zone).
class DateTimePattern {
public:
    static DateTimePattern shortDate(const QLocale& locale);
    static DateTimePattern timeWithSeconds(const QLocale& locale);
    // ISO 8601: "yyyy-MM-dd" and "HH:mm:ss", a fraction after a decimal point.
    static DateTimePattern isoDate();
    static DateTimePattern isoTime();

    // Whether Windows-1252 holds everything the pattern puts (names, literals, day periods).
    bool fitsWindows1252() const;
    // The locale's numeric short date for Windows-1252: names become numbers, characters the
    // code page cannot hold are left out.
    static DateTimePattern numericShortDate(const QLocale& locale);

    // `nanoseconds` non-zero adds the fraction after the seconds, trailing zeros dropped.
    // Out: a QString or the export's AnsiBuffer (TextOutput.h).
    template <typename Out>
    void append(int year, int month, int day, int hour, int minute, int second,
                quint32 nanoseconds, Out& out) const;

private:
    enum class Field { Literal, Day, Day2, DayName, DayNameLong, Month, Month2, MonthName,
                       MonthNameLong, Year, Hour12, Hour12_2, Hour24, Hour24_2, Minute,
                       Minute2, Second, Second2, AmPm, AmPmUpper };
    struct Token { Field field; QString literal; };

    DateTimePattern(const QLocale& locale, const QString& format, bool withSeconds);
    void tidyLiterals();
    bool putsOnlyAscii(const Token& token) const;
    template <typename Char, typename Out>
    void put(int year, int month, int day, int hour, int minute, int second,
             quint32 nanoseconds, Out& out) const;

    QList<Token> tokens_;
    QChar decimalPoint_;
    // Names cut to what one field may take, once rather than for every value.
    QString dayPeriods_[2][2]; // [upper case][pm]
    QStringList monthNames_, monthNamesLong_, dayNames_, dayNamesLong_;
    bool ascii_ = false; // every character it puts is ASCII
};

} // namespace velloxa
