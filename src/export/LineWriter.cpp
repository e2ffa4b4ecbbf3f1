#include "export/LineWriter.h"

#include "export/AnsiText.h"
#include "export/Utf8Text.h"

#include <QtEndian>

namespace velloxa {

namespace {

const QChar Quote(u'"');

// The value in quotes, its own quotes doubled.
QString Quoted(QStringView value)
{
    QString quoted = value.toString();
    quoted.replace(Quote, QStringLiteral("\"\""));
    return Quote + quoted + Quote;
}

bool HoldsLineBreak(QStringView value)
{
    return value.contains(u'\r') || value.contains(u'\n');
}

// Whether a value breaks its line at the separator: it holds it, or ends in the start of a
// longer one ("x|" before "||" reads as "x" and "|...").
template <typename View>
bool HoldsSeparator(View value, View separator)
{
    if (separator.isEmpty())
        return false;
    if (value.contains(separator))
        return true;
    for (qsizetype length = 1; length < separator.size(); ++length)
        if (value.endsWith(separator.first(length)))
            return true;
    return false;
}

} // namespace

LineWriter::LineWriter(const FileFormat& format, const QString& separator) : format_(format), separator_(separator)
{
    if (format.encoding == FileEncoding::Windows1252) {
        AppendAnsiText(separator, ansiSeparator_);
        if (!ansiSeparator_.contains('?'))
            ansiSeparator_.clear();
    }
}

StructureBreaks LineWriter::breaks(QStringView value) const
{
    // Windows-1252 writes '?' for a character it lacks: with a '?' in the separator, such a
    // character breaks the line, and only the bytes tell.
    if (!ansiSeparator_.isEmpty()) {
        QByteArray bytes;
        AppendAnsiText(value, bytes);
        return {HoldsSeparator(QByteArrayView(bytes), QByteArrayView(ansiSeparator_)), HoldsLineBreak(value)};
    }
    return {HoldsSeparator(value, QStringView(separator_)), HoldsLineBreak(value)};
}

bool LineWriter::needsQuotes(QStringView value, bool isNull) const
{
    switch (format_.quoting) {
    case Quoting::None: return false;
    case Quoting::All: return !isNull;
    case Quoting::WhereNeeded: {
        const StructureBreaks found = breaks(value);
        return found.separator || found.lineBreak || value.contains(Quote);
    }
    }
    return false;
}

QByteArray LineWriter::start() const
{
    switch (format_.encoding) {
    case FileEncoding::Utf8WithBom: return QByteArray("\xEF\xBB\xBF");
    case FileEncoding::Utf16LeWithBom: return QByteArray("\xFF\xFE");
    default: return {};
    }
}

void LineWriter::encode(QStringView text, QByteArray& out) const
{
    if (text.isEmpty()) // an empty value may have no characters to point at
        return;
    switch (format_.encoding) {
    case FileEncoding::Windows1252:
        AppendAnsiText(text, out);
        break;
    case FileEncoding::Utf8:
    case FileEncoding::Utf8WithBom: {
        const qsizetype at = out.size();
        out.resize(at + MostUtf8Bytes(text.size()));
        out.resize(WriteUtf8Text(text, out.data() + at) - out.data());
        break;
    }
    case FileEncoding::Utf16LeWithBom: {
        const qsizetype at = out.size();
        out.resize(at + 2 * text.size());
        qToLittleEndian<char16_t>(text.utf16(), text.size(), out.data() + at);
        break;
    }
    }
}

void LineWriter::appendValue(QStringView value, bool isNull, bool first, QByteArray& out) const
{
    if (!first)
        encode(separator_, out);
    if (!needsQuotes(value, isNull)) {
        encode(value, out);
        return;
    }
    encode(Quoted(value), out);
}

void LineWriter::endLine(QByteArray& out) const
{
    encode(u"\r\n", out);
}

QString LineWriter::visibleStart() const
{
    return start().isEmpty() ? QString() : QStringLiteral("[BOM]");
}

void LineWriter::show(QStringView text, QString& out) const
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r')
            out += u'←';
        else if (c == u'\n')
            out += u'↓';
        else if (c == u'\t')
            out += TabMark;
        else if (format_.encoding == FileEncoding::Windows1252 && !AnsiCanHold(text.sliced(i, 1)))
            out += QChar(QChar::ReplacementCharacter);
        else
            out += c;
        // A surrogate pair is one character, written as one '?' in Windows-1252.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (format_.encoding != FileEncoding::Windows1252)
                out += text[i + 1];
            ++i;
        }
    }
}

void LineWriter::appendVisibleValue(QStringView value, bool isNull, bool first, QString& out) const
{
    if (!first)
        show(separator_, out);
    if (!needsQuotes(value, isNull)) {
        show(value, out);
        return;
    }
    show(Quoted(value), out);
}

void LineWriter::endVisibleLine(QString& out) const
{
    out += QStringLiteral("←↓\n");
}

FirstLines WriteFirstLines(const LineWriter& writer, const QStringList& names, bool header, const QList<QStringList>& rows)
{
    FirstLines lines{writer.start(), writer.visibleStart()};
    const auto writeLine = [&](const QStringList& values) {
        for (qsizetype i = 0; i < values.size(); ++i) {
            writer.appendValue(values[i], values[i].isNull(), i == 0, lines.bytes);
            writer.appendVisibleValue(values[i], values[i].isNull(), i == 0, lines.visible);
        }
        writer.endLine(lines.bytes);
        writer.endVisibleLine(lines.visible);
    };
    if (header)
        writeLine(names);
    for (const QStringList& row : rows)
        writeLine(row);
    return lines;
}

} // namespace velloxa
