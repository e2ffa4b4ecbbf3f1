// The text of each kind of value under different regional settings, and the 8-bit
// encoding of the output file.

#include "export/FileBuffer.h"
#include "export/AnsiText.h"
#include "export/DecimalDigits.h"
#include "export/ShortestNumber.h"
#include "export/ValueText.h"

#include <QtTest>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>

using namespace velloxa;

namespace {

template <typename Append>
QString Text(const QLocale& locale, Append append)
{
    const ValueTextFormat format(locale);
    QString out;
    append(format, out);
    return out;
}

const QLocale English(QStringLiteral("en_US"));
const QLocale German(QStringLiteral("de_DE"));
const QLocale Japanese(QStringLiteral("ja_JP"));

} // namespace

class ValueTextTest : public QObject {
    Q_OBJECT
private slots:
    void numbers();
    void digitWritersAgreeWithTheLibrary();
    void datesAndTimes();
    void fractionsOfASecond();
    void otherKinds();
    void noLocaleLeavesStrayBlanksOrBrackets();
    void windows1252();
    void straightToBytes();
};

void ValueTextTest::numbers()
{
    const auto decimal = [](const QLocale& locale, const char* sent) {
        return Text(locale, [&](const ValueTextFormat& f, QString& out) { f.appendDecimal(QByteArrayView(sent), out); });
    };
    QCOMPARE(decimal(English, "3.50"), QStringLiteral("3.5"));
    QCOMPARE(decimal(English, "12.00"), QStringLiteral("12"));
    QCOMPARE(decimal(English, "-.25"), QStringLiteral("-0.25"));
    QCOMPARE(decimal(English, ".0000"), QStringLiteral("0"));
    QCOMPARE(decimal(English, "1234567890123.4500"), QStringLiteral("1234567890123.45"));
    QCOMPARE(decimal(English, "120"), QStringLiteral("120")); // no point: zeros stay
    QCOMPARE(decimal(German, "3.50"), QStringLiteral("3,5"));

    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendInteger(-9223372036854775807LL - 1, o); }),
             QStringLiteral("-9223372036854775808"));
    QCOMPARE(Text(German, [](auto& f, QString& o) { f.appendInteger(1234567, o); }), QStringLiteral("1234567"));
    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendDouble(0.1, o); }), QStringLiteral("0.1"));
    QCOMPARE(Text(German, [](auto& f, QString& o) { f.appendDouble(-2.5, o); }), QStringLiteral("-2,5"));
    QCOMPARE(Text(German, [](auto& f, QString& o) { f.appendDouble(1.5e-7, o); f.appendDouble(0.05, o); f.appendDouble(1.5e300, o); }),
             QStringLiteral("1,5e-070,051,5e+300"));
    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendDouble(1e20, o); }), QStringLiteral("1e+20"));
    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendDouble(1234567.0, o); }), QStringLiteral("1234567"));
    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendReal(0.1f, o); }), QStringLiteral("0.1"));
}

void ValueTextTest::digitWritersAgreeWithTheLibrary()
{
    // The shortest text of a double or float is to_chars' text, character for character:
    // random bit patterns (every exponent, subnormals, NaN, infinities), the fractions, whole
    // numbers and powers a table holds, and the edges of the fixed and scientific forms.
    std::mt19937_64 random(18);
    int differ = 0;
    const auto check = [&](auto value) {
        char mine[MostShortestChars + 8], library[64];
        const std::string_view ours(mine, size_t(PutShortest(mine, value) - mine));
        const std::string_view theirs(library, size_t(std::to_chars(library, library + 64, value).ptr - library));
        if (ours != theirs && differ++ < 5)
            qWarning() << QByteArray(ours.data(), qsizetype(ours.size())) << "instead of" << QByteArray(theirs.data(), qsizetype(theirs.size()));
    };
    for (int i = 0; i < 300000; ++i) {
        check(std::bit_cast<double>(random()));
        check(std::bit_cast<float>(quint32(random())));
    }
    for (int x = -20000; x < 20000; ++x) {
        check(x / 7.0);
        check(x / 100.0);
        check(x * 1000.0);
        check(float(x) / 3.0f);
    }
    for (int e = 0; e < 2100; ++e) {
        check(std::ldexp(1.0, e - 1075));
        check(std::ldexp(1.0, e - 1075) * 0.999999);
        check(std::pow(10.0, e / 6 - 330));
    }
    QCOMPARE(differ, 0);

    // Whole numbers of every length, as bytes and as text, with zeros in front to a width.
    for (int i = 0; i < 200000; ++i) {
        const quint64 value = random() >> (random() % 64);
        const int width = int(random() % 6);
        QString expected = QString::number(value);
        expected = QString(qMax(0, width - int(expected.size())), u'0') + expected;
        char bytes[24];
        char16_t units[24];
        QCOMPARE(QLatin1String(bytes, PutUnsigned(bytes, value, width)), expected);
        QCOMPARE(QStringView(units, PutUnsigned(units, value, width)), expected);
    }
}

void ValueTextTest::datesAndTimes()
{
    const SQL_TIMESTAMP_STRUCT afternoon{2024, 1, 2, 15, 4, 5, 0};
    const SQL_TIMESTAMP_STRUCT midnight{2024, 1, 2, 0, 0, 0, 0};
    const SQL_TIMESTAMP_STRUCT fraction{2024, 1, 2, 15, 4, 5, 250000000};
    const SQL_TIMESTAMP_STRUCT earlyYear{1, 12, 31, 9, 0, 0, 100};
    const auto stamp = [](const QLocale& l, const SQL_TIMESTAMP_STRUCT& v) {
        return Text(l, [&](auto& f, QString& o) { f.appendTimestamp(v, o); });
    };
    QCOMPARE(stamp(English, afternoon), QStringLiteral("1/2/2024 3:04:05 PM"));
    QCOMPARE(stamp(English, midnight), QStringLiteral("1/2/2024"));
    QCOMPARE(stamp(English, fraction), QStringLiteral("1/2/2024 3:04:05.25 PM"));
    QCOMPARE(stamp(English, earlyYear), QStringLiteral("12/31/0001 9:00:00.0000001 AM"));
    QCOMPARE(stamp(German, afternoon), QStringLiteral("02.01.2024 15:04:05"));
    QCOMPARE(stamp(German, fraction), QStringLiteral("02.01.2024 15:04:05,25"));
    // No regional settings (the C locale): ISO 8601, not Qt's own "2 Jan 2024".
    QCOMPARE(stamp(QLocale::c(), afternoon), QStringLiteral("2024-01-02 15:04:05"));
    const ValueTextFormat iso(German, ValueForms::Iso);
    QString isoText;
    iso.appendTimestamp(midnight, isoText);
    iso.appendTime(8, 9, 10, 500000000, isoText);
    iso.appendDouble(2.5, isoText);
    QCOMPARE(isoText, QStringLiteral("2024-01-02 00:00:0008:09:10.52.5"));
    // A Windows-1252 file gets the numeric form where the locale's words would become '?'.
    const auto eightBit = [&](const char* name) {
        QString out;
        ValueTextFormat(QLocale(QLatin1String(name)), ValueForms::Regional, true).appendTimestamp(fraction, out);
        return out;
    };
    QCOMPARE(eightBit("ja_JP"), QStringLiteral("2024/01/02 15:04:05.25"));
    QCOMPARE(eightBit("ar_EG"), QStringLiteral("2/1/2024 15:04:05.25"));
    QCOMPARE(eightBit("de_DE"), QStringLiteral("02.01.2024 15:04:05,25"));
    QCOMPARE(stamp(Japanese, afternoon), QStringLiteral("2024/01/02 15時04分05秒"));

    const SQL_DATE_STRUCT day{1999, 12, 31};
    QCOMPARE(Text(English, [&](auto& f, QString& o) { f.appendDate(day, o); }), QStringLiteral("12/31/1999"));
    QCOMPARE(Text(German, [&](auto& f, QString& o) { f.appendDate(day, o); }), QStringLiteral("31.12.1999"));

    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendTime(0, 0, 0, 0, o); }), QStringLiteral("12:00:00 AM"));
    QCOMPARE(Text(German, [](auto& f, QString& o) { f.appendTime(8, 9, 10, 0, o); }), QStringLiteral("08:09:10"));
}

// Every millisecond (datetime's fractions) and fractions of datetime2 and time down to the
// nanosecond, trailing zeros dropped: in fixed layouts (ISO, de_DE) and in others (en_US).
void ValueTextTest::fractionsOfASecond()
{
    QList<quint32> fractions;
    for (quint32 ms = 0; ms < 1000; ++ms)
        fractions << ms * 1000000;
    fractions << 1 << 10 << 100 << 500 << 1234500 << 100000000 << 100000001 << 999999999 << 25000000 << 12345600;
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i)
        fractions << quint32(random() % 1000000000) / quint32(std::pow(10, random() % 9));
    for (const QLocale& locale : {QLocale::c(), German, English}) {
        const ValueTextFormat format(locale);
        const auto text = [&](quint32 fraction) {
            const SQL_TIMESTAMP_STRUCT value{2024, 1, 2, 15, 4, 5, fraction};
            QString out;
            FileBuffer bytes(4);
            format.appendTimestamp(value, out);
            format.appendTimestamp(value, bytes);
            return bytes.bytes().toByteArray() == out.toLatin1() ? out : QStringLiteral("bytes differ: ") + out;
        };
        const QString whole = text(0);
        for (const quint32 fraction : std::as_const(fractions)) {
            QString digits = QString::number(fraction).rightJustified(9, u'0');
            while (digits.endsWith(u'0'))
                digits.chop(1);
            QString expected = whole;
            if (fraction)
                expected.replace(QStringLiteral(":05"), QStringLiteral(":05") + locale.decimalPoint() + digits);
            QCOMPARE(text(fraction), expected);
        }
    }
}

void ValueTextTest::otherKinds()
{
    QCOMPARE(Text(German, [](auto& f, QString& o) { f.appendBit(true, o); f.appendBit(false, o); }), QStringLiteral("TrueFalse"));
    const SQLGUID guid{0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};
    QCOMPARE(Text(English, [&](auto& f, QString& o) { f.appendGuid(guid, o); }), QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendBinary(QByteArrayView("\x00\xff\x10", 3), o); }), QStringLiteral("0x00FF10"));
    QCOMPARE(Text(English, [](auto& f, QString& o) { f.appendBinary(QByteArrayView(), o); }), QStringLiteral("0x"));
}

void ValueTextTest::windows1252()
{
    QByteArray out;
    AppendAnsiText(u"A\u00e9\u00ff\u20ac\u2122\u0178\u017e \u4e2d \U0001F600 \u0081\u0080", out);
    QCOMPARE(out, QByteArray("A\xe9\xff\x80\x99\x9f\x9e ? ? \x81?"));
    out.clear();
    AppendAnsiText(u"", out);
    QVERIFY(out.isEmpty());
}

void ValueTextTest::straightToBytes()
{
    // The export writes values into the file's bytes without a UTF-16 line: the same bytes as
    // the text encoded, also where a regional form is not ASCII, and past the buffer's size.
    const SQL_TIMESTAMP_STRUCT stamp{2024, 1, 2, 15, 4, 5, 250000000};
    const SQLGUID guid{0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};
    const QLocale arabic(QStringLiteral("ar_EG")); // decimal separator U+066B
    for (const QLocale& locale : {English, German, Japanese, arabic}) {
        const ValueTextFormat format(locale);
        QString text;
        FileBuffer bytes(4), utf8(4, FileEncoding::Utf8);
        const auto each = [&](auto append) { append(text); append(bytes); append(utf8); };
        each([&](auto& out) { format.appendTimestamp(stamp, out); });
        each([&](auto& out) { format.appendDouble(-2.5, out); });
        each([&](auto& out) { format.appendDecimal(QByteArrayView("-.25"), out); });
        each([&](auto& out) { format.appendInteger(-9223372036854775807LL - 1, out); });
        each([&](auto& out) { format.appendBit(true, out); });
        each([&](auto& out) { format.appendGuid(guid, out); });
        each([&](auto& out) { format.appendBinary(QByteArray(300, '\xab'), out); });
        QByteArray expected;
        AppendAnsiText(text, expected);
        QCOMPARE(bytes.bytes().toByteArray(), expected);
        QCOMPARE(utf8.bytes().toByteArray(), text.toUtf8());
    }

    const auto bytesOf = [](const QLocale& locale, const SQL_TIMESTAMP_STRUCT& value) {
        FileBuffer bytes(4);
        ValueTextFormat(locale).appendTimestamp(value, bytes);
        return bytes.bytes().toByteArray();
    };
    QCOMPARE(bytesOf(Japanese, stamp), QByteArray("2024/01/02 15?04?05.25?"));
    QCOMPARE(bytesOf(German, stamp), QByteArray("02.01.2024 15:04:05,25"));

    FileBuffer bytes(4);
    bytes.appendText(QString(70, u'a') + QString::fromUtf16(u"\u00e9\u20ac\u4e2d"));
    bytes.appendBytes(",");
    QCOMPARE(bytes.bytes().toByteArray(), QByteArray(70, 'a') + "\xe9\x80?,");

    // UTF-8: ASCII blocks of every length before and after other characters, surrogate pairs,
    // and a lone surrogate anywhere as U+FFFD.
    const QString pair = QString::fromUcs4(U"\U0001F600", 1);
    FileBuffer utf8(4, FileEncoding::Utf8);
    for (const QString& text : {QString(), QStringLiteral("abc"), QStringLiteral("abcd"), QString(17, u'x'),
                                QString(9, u'x') + u'\u00e9', u'\u4e2d' + QString(8, u'y'), QStringLiteral("ab") + pair,
                                pair.left(1) + "cdefgh", QStringLiteral("end") + pair.left(1), pair.right(1) + pair})
        utf8.appendText(text);
    const QByteArray replacement = "\xEF\xBF\xBD", emoji = "\xF0\x9F\x98\x80";
    const QByteArray ascii = "abcabcd" + QByteArray(26, 'x');
    const QByteArray others = "\xC3\xA9\xE4\xB8\xAD" + QByteArray(8, 'y') + "ab" + emoji;
    const QByteArray lone = replacement + "cdefghend" + replacement + replacement + emoji;
    QCOMPARE(utf8.bytes().toByteArray(), ascii + others + lone);

    // Text narrowed while watched for what breaks a line: clean only when it holds none of CR,
    // LF, the separator's first byte or (quoting) '"', wherever in the blocks it stands.
    // Text that is not ASCII takes the slower way, with the same bytes.
    const auto watched = [](const QString& text, bool quotes) {
        FileBuffer out(4);
        out.watchLineBytes(';', quotes);
        const qsizetype start = out.startValue();
        out.appendText(text);
        QByteArray expected;
        AppendAnsiText(text, expected);
        if (out.bytes() != expected)
            return QStringLiteral("wrong bytes");
        return QString::fromLatin1(out.cleanSince(start) ? "clean" : "searched");
    };
    for (qsizetype length = 8; length <= 70; ++length) {
        QCOMPARE(watched(QString(length, u'a'), true), QStringLiteral("clean"));
        for (qsizetype at = 0; at < length; ++at) {
            for (const char16_t odd : {u'\r', u'\n', u';', u'\x01', u'\0', u'\u00e9', u'\u4e2d', u'\uff0c'}) {
                QString text(length, u'a');
                text[at] = odd;
                QCOMPARE(watched(text, false), QStringLiteral("searched"));
            }
            QString quoted(length, u'b');
            quoted[at] = u'"';
            QCOMPARE(watched(quoted, false), QStringLiteral("clean"));
            QCOMPARE(watched(quoted, true), QStringLiteral("searched"));
        }
    }
}

// A form whose zone field goes must not keep what stood around it: zh_CN "t HH:mm:ss",
// fa_IR "H:mm:ss (t)", bg_BG "H:mm:ss 'ч'. t".
void ValueTextTest::noLocaleLeavesStrayBlanksOrBrackets()
{
    static const QRegularExpression stray(QStringLiteral("^\\s|\\s$|\\s\\s|\\(\\s*\\)|\\[\\s*\\]"));
    SQL_TIMESTAMP_STRUCT stamp{2024, 1, 2, 13, 5, 0, 250000000};
    QStringList faults;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const QString text = Text(locale, [&](const ValueTextFormat& f, QString& out) { f.appendTimestamp(stamp, out); });
        if (text.contains(stray))
            faults << locale.name() + QStringLiteral(": \"") + text + QLatin1Char('"');
        // Nor does a Windows-1252 file get a '?' for a word or mark of it.
        QString eightBit;
        ValueTextFormat(locale, ValueForms::Regional, true).appendTimestamp(stamp, eightBit);
        for (qsizetype i = 0; i < eightBit.size(); ++i)
            if (!AnsiCanHold(QStringView(eightBit).sliced(i, 1))) {
                faults << locale.name() + QStringLiteral(" in Windows-1252: \"") + eightBit + QLatin1Char('"');
                break;
            }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral(", "))));
    QCOMPARE(Text(QLocale(QStringLiteral("bg_BG")), [&](auto& f, QString& out) { f.appendTimestamp(stamp, out); }),
             QStringLiteral("2.01.2024 г. 13:05:00,25 ч."));
}

QTEST_GUILESS_MAIN(ValueTextTest)
#include "tst_value_text.moc"
