#pragma once

#include "export/DateTimePattern.h"
#include "export/FileFormat.h"

#include <QByteArrayView>
#include <QChar>
#include <QLocale>
#include <QString>

#include <sql.h>
#include <sqlext.h>

namespace velloxa {

// The text of one value, as the export writes it and the preview shows it, under the
// regional settings of `locale` (the export uses RegionalSettings(): LANG / LC_ALL decide).
// NULL is the empty string (the caller appends nothing). Everything else:
// - character data (char, varchar, nchar, nvarchar, text, xml): as stored; fixed-length
//   text keeps its blanks;
// - whole numbers (tinyint .. bigint): plain digits, leading '-', no grouping;
// - decimal, numeric, money: the exact digits the server sent, without trailing fraction
//   zeros and without a lone decimal separator (3.50 -> "3.5", 12.00 -> "12", 0.25 -> "0.25"),
//   the regional decimal separator, no grouping;
// - float, real: the shortest text that reads back as the same number (0.1 -> "0.1",
//   1e+20 -> "1e+20"), the regional decimal separator;
// - bit: "True" / "False" in every language;
// - date: the regional short date form with a 4-digit year (en_US "1/2/2024",
//   de_DE "02.01.2024");
// - datetime, datetime2, smalldatetime: the date form, and when the time is not midnight a
//   blank and the regional time form with seconds (en_US "1/2/2024 3:04:05 PM"); a
//   non-zero fraction of a second follows the seconds after the regional decimal
//   separator, without trailing zeros ("3:04:05.25 PM");
// - time: the regional time form as above, always (midnight too);
// - uniqueidentifier: 8-4-4-4-12 upper-case hex, as the server prints it;
// - binary, varbinary, image: "0x" and two upper-case hex digits per byte ("0x" alone
//   when empty), as the server prints it;
// - any other type (datetimeoffset, sql_variant, ...): the driver's own text for it.
// For a Windows-1252 file (windows1252), forms whose words or marks the code page cannot hold
// (ja_JP "15時04分05秒", ko_KR "오후", ar_EG) take the locale's numeric form instead of '?'s.
// With ValueForms::Iso, and under the C / POSIX locale (no regional settings: cron,
// containers), dates, times and numbers take the ISO 8601 forms instead: "2024-01-02",
// "2024-01-02 15:04:05.25" (a date-time keeps its time at midnight too), "08:09:10", a
// decimal point.
// Every append writes to a QString or to the export's bytes (TextOutput.h).
class ValueTextFormat {
public:
    explicit ValueTextFormat(const QLocale& locale, ValueForms forms = ValueForms::Regional, bool windows1252 = false);

    // Whether the regional forms of `locale` come out otherwise in a Windows-1252 file.
    static bool differsInWindows1252(const QLocale& locale);

    template <typename Out> void appendInteger(qint64 value, Out& out) const;
    template <typename Out> void appendDecimal(QByteArrayView driverText, Out& out) const; // "-12.50" as sent
    template <typename Out> void appendDouble(double value, Out& out) const;
    template <typename Out> void appendReal(float value, Out& out) const;
    template <typename Out> void appendBit(bool value, Out& out) const;
    template <typename Out> void appendDate(const SQL_DATE_STRUCT& value, Out& out) const;
    template <typename Out> void appendTimestamp(const SQL_TIMESTAMP_STRUCT& value, Out& out) const;
    template <typename Out> void appendTime(int hour, int minute, int second, quint32 nanoseconds, Out& out) const;
    template <typename Out> void appendGuid(const SQLGUID& value, Out& out) const;
    template <typename Out> void appendBinary(QByteArrayView bytes, Out& out) const;
    // The hex digits of appendBinary without the "0x": a long value in parts.
    template <typename Out> void appendHexDigits(QByteArrayView bytes, Out& out) const;

    // Every character the text of a number (integer, decimal, float: digits, signs, exponent,
    // "inf", "nan", the decimal separator) or of a date and time can hold.
    QString numberCharacters() const;
    QString dateTimeCharacters() const;
    // The most bytes a date or time can take in an 8-bit file, with what its writer may copy
    // past its end.
    qsizetype mostDateTimeBytes() const;

private:
    template <typename Number, typename Out> void appendShortest(Number value, Out& out) const;

    bool iso_;
    QChar decimalPoint_;
    char asciiPoint_; // the decimal separator as a byte when it is ASCII, 0 otherwise
    DateTimePattern date_;
    DateTimePattern time_;
    DateTimePattern dateAndTime_;
};

} // namespace velloxa
