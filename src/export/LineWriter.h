#pragma once

#include "export/FileFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace velloxa {

// How a Tab is shown wherever the window shows the file's text.
inline constexpr QChar TabMark = u'⇥';

// What a value does to the structure of a line when it is written unquoted.
struct StructureBreaks {
    bool separator = false; // holds the separator, or ends in the start of a longer one: its columns shift
    bool lineBreak = false; // holds CR or LF: its line splits
};

// Writes lines in a file format: values joined by the separator, quoted as the format says,
// CR LF after each line, all of it in the format's encoding. The same writer gives the
// file's bytes and a visible form of them for the window (line ends, Tabs and characters
// the encoding cannot hold marked), so that what the window shows is what the file gets.
class LineWriter {
public:
    LineWriter(const FileFormat& format, const QString& separator);

    const FileFormat& format() const { return format_; }
    StructureBreaks breaks(QStringView value) const;

    // The bytes that open the file: the byte order mark of the encoding, if any.
    QByteArray start() const;
    // One value; `first` leaves the separator out. A NULL is written as nothing.
    void appendValue(QStringView value, bool isNull, bool first, QByteArray& out) const;
    void endLine(QByteArray& out) const;
    // Text in the format's encoding.
    void encode(QStringView text, QByteArray& out) const;

    // The same, as text a person can read: "[BOM]", '←' for CR and '↓' for LF (a line end is
    // "←↓" and a new line), '⇥' for a Tab, and '�' where the encoding writes '?' for a character
    // it cannot hold.
    QString visibleStart() const;
    void appendVisibleValue(QStringView value, bool isNull, bool first, QString& out) const;
    void endVisibleLine(QString& out) const;

private:
    bool needsQuotes(QStringView value, bool isNull) const;
    void show(QStringView text, QString& out) const;

    FileFormat format_;
    QString separator_;
    QByteArray ansiSeparator_; // the separator's bytes, where Windows-1252 makes a '?' of it
};

// The first lines of the file as they will be written: the header (when wanted) and the rows
// given (a NULL value is a null QString), in bytes and in their visible form.
struct FirstLines {
    QByteArray bytes;
    QString visible;
};
FirstLines WriteFirstLines(const LineWriter& writer, const QStringList& names, bool header, const QList<QStringList>& rows);

} // namespace velloxa
