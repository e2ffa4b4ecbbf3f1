#pragma once

#include "export/TextOutput.h"

#include <QChar>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <sqltypes.h>

#include <vector>

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
    // The date, a blank and the time in one pattern: one pass for a timestamp.
    static DateTimePattern dateAndTime(const DateTimePattern& date, const DateTimePattern& time);

    // Every character the pattern can put (digits, '-', literals, names, day periods, the
    // decimal separator), each once.
    QString characters() const;

    // The most bytes one value can take in an 8-bit file, with what the writer may copy past
    // its end.
    qsizetype mostBytes() const;

    // `nanoseconds` non-zero adds the fraction after the seconds, trailing zeros dropped.
    // Out: a QString or the export's FileBuffer (TextOutput.h).
    template <typename Out>
    void append(int year, int month, int day, int hour, int minute, int second,
                quint32 nanoseconds, Out& out) const;
    // A value as the driver binds it, read in place (its fraction in nanoseconds).
    template <typename Out>
    void append(const SQL_TIMESTAMP_STRUCT& value, Out& out) const;

private:
    enum class Field { Literal,
                       Day,
                       Day2,
                       DayName,
                       DayNameLong,
                       Month,
                       Month2,
                       MonthName,
                       MonthNameLong,
                       Year,
                       Hour12,
                       Hour12_2,
                       Hour24,
                       Hour24_2,
                       Minute,
                       Minute2,
                       Second,
                       Second2,
                       AmPm,
                       AmPmUpper };
    struct Token {
        Field field;
        QString literal;
    };
    // A name, or the literal after a field, copied in 16-byte blocks (the buffer it goes to
    // has room for the last block): as bytes when the pattern puts only ASCII, else as UTF-16.
    template <int Most>
    struct ShortText {
        quint8 size = 0;
        char bytes[Most] = {};
        char16_t units[Most] = {};
    };
    static constexpr int MostNameUnits = 64;
    static constexpr int MostLiteralUnits = 16;
    using Name = ShortText<MostNameUnits>;
    // What put() walks: a field (none for a literal alone) and the literal that follows it.
    struct Piece {
        Field field;
        ShortText<MostLiteralUnits> literal;
    };

    DateTimePattern(const QLocale& locale, const QString& format, bool withSeconds);
    void tidyLiterals();
    void addLiteral(const QString& text);
    bool putsOnlyAscii(const Token& token) const;
    void compile();
    const Name& name(const std::vector<Name>& names, int index) const;
    // As SQL_TIMESTAMP_STRUCT, in ints: the fraction in nanoseconds.
    struct Fields {
        int year, month, day, hour, minute, second;
        quint32 fraction;
        int hour12() const { return hour % 12 == 0 ? 12 : hour % 12; }
    };
    template <typename Value, typename Out>
    void appendFields(const Value& value, Out& out) const;
    template <typename Char>
    Char* putPiece(Char* at, const Piece& piece, const Fields& value) const;
    // An ASCII pattern of two-digit fields and a four-digit year ("yyyy-MM-dd HH:mm:ss",
    // "dd.MM.yyyy"), each at most once, the seconds last if any: its text with the digits'
    // places, filled in straight-line for a value whose fields have those widths.
    struct FixedLayout {
        static constexpr int MostBytes = 32;
        // Where a field's two digits go: year / 100, year % 100, month, day, hour, hour12,
        // minute, second. A field the pattern lacks goes past the text, where the fraction or
        // nothing follows.
        enum Source { Century,
                      YearOfCentury,
                      Month,
                      Day,
                      Hour,
                      Hour12,
                      Minute,
                      Second,
                      Sources };
        static constexpr quint8 Nowhere = MostBytes + 8;
        char bytes[MostBytes] = {};
        quint8 placeOf[Sources] = {Nowhere, Nowhere, Nowhere, Nowhere, Nowhere, Nowhere, Nowhere, Nowhere};
        quint8 length = 0; // 0: the pattern has no fixed layout
        char decimalPoint = '.';
    };
    // What putFixed may write: the text, the fields it lacks, the fraction.
    static constexpr int MostFixedBytes = FixedLayout::Nowhere + 16;
    void compileFixedLayout();
    template <typename Value>
    static bool inLayoutRange(const Value& value);
    template <typename Value>
    char* putFixed(char* at, const Value& value) const;
    // An ASCII pattern of numbers, AM/PM and short literals, in any widths ("M/d/yyyy h:mm:ss
    // AP"): each field's digits from the table of pairs and the literal after it, in order,
    // without the switch of put(). The year is two fields of two digits.
    struct FlowingPiece {
        quint8 source = 0; // a FixedLayout::Source, or DayPeriod
        bool shortBelowTen = false; // one digit for 0 to 9 ("M", "d", "h", "H", "m", "s")
        bool fractionAfter = false;
        quint8 literalSize = 0;
        char literal[8] = {};
    };
    static constexpr quint8 DayPeriod = FixedLayout::Sources;
    struct FlowingLayout {
        std::vector<FlowingPiece> pieces; // none: the pattern does not flow
        char dayPeriods[2][8] = {}; // [pm], in the case the pattern puts
        quint8 dayPeriodSizes[2] = {};
    };
    // What putFlowing may write: a piece's digits or day period and its literal in blocks.
    static constexpr int MostFlowingPieces = 16;
    static constexpr int MostFlowingBytes = MostFlowingPieces * 16 + 16;
    void compileFlowingLayout();
    template <typename Value>
    char* putFlowing(char* at, const Value& value) const;
    template <typename Char, typename Out>
    void put(const Fields& value, Out& out) const;
    template <typename Out>
    void appendAny(const Fields& value, Out& out) const;

    QList<Token> tokens_;
    QChar decimalPoint_;
    // Names cut to what one field may take, once rather than for every value.
    QString dayPeriods_[2][2]; // [upper case][pm]
    QStringList monthNames_, monthNamesLong_, dayNames_, dayNamesLong_;
    bool ascii_ = false; // every character it puts is ASCII

    // The tokens compiled for put().
    std::vector<Piece> pieces_;
    std::vector<Name> months_, monthsLong_, days_, daysLong_;
    Name periods_[2][2];
    Name none_;         // the name of a month or day out of range
    int mostUnits_ = 0; // the most units one value can take
    FixedLayout fixed_;
    FlowingLayout flowing_;
};

} // namespace velloxa
