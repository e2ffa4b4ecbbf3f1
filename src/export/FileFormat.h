#pragma once

#include <QString>
#include <QStringList>

namespace velloxa {

// How values are enclosed. None writes them raw, as the classic format does.
enum class Quoting {
    None,        // raw: a value holding the separator or a line break breaks the line
    WhereNeeded, // RFC 4180: a value holding the separator, '"', CR or LF in quotes, '"' doubled
    All,         // every value but NULL in quotes: "" is an empty string, nothing is NULL
};

enum class FileEncoding {
    Windows1252, // 8-bit, no BOM; a character it cannot hold becomes '?' (the classic format)
    Utf8,
    Utf8WithBom, // what Excel needs to read UTF-8
    Utf16LeWithBom,
};

// The texts of dates, times and numbers.
enum class ValueForms {
    Regional, // the regional settings (LANG / LC_ALL); ISO under the C or POSIX locale, which has none
    Iso,      // ISO 8601: yyyy-MM-dd, yyyy-MM-dd HH:mm:ss[.fraction], HH:mm:ss[.fraction], decimal point
};

struct FileFormat {
    Quoting quoting = Quoting::None;
    FileEncoding encoding = FileEncoding::Windows1252;
    ValueForms values = ValueForms::Regional;
};

// The names the window and the command line use, in the order they offer them.
QStringList QuotingNames();    // "None (as written)", "Where needed (RFC 4180)", "All values"
QStringList EncodingNames();   // "Windows-1252 (ANSI)", "UTF-8", "UTF-8 with BOM (for Excel)", "UTF-16 LE with BOM"
QStringList ValueFormsNames(); // "Regional settings", "ISO 8601"

// The same choices as the command line and job files write them, in the same order.
QStringList QuotingWords();    // none, needed, all
QStringList EncodingWords();   // windows-1252, utf-8, utf-8-bom, utf-16le
QStringList ValueFormsWords(); // regional, iso

} // namespace velloxa
