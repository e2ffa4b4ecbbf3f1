#pragma once

#include <QString>

#include <sql.h>
#include <sqlext.h>

#include <vector>

namespace velloxa::odbc {

// The wide ODBC calls take SQLWCHAR, which is UTF-16 both on unixODBC and on Windows, so
// text crosses the driver boundary unchanged whatever the process locale is.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16");

// A NUL-terminated copy of `text` for an input argument.
std::vector<SQLWCHAR> ToWide(const QString& text);

QString FromWide(const SQLWCHAR* text, qsizetype length);

} // namespace velloxa::odbc
