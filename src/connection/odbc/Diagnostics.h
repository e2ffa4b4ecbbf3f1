#pragma once

#include <QString>

#include <sql.h>

namespace velloxa::odbc {

// The driver's message texts for the last call on `handle`, one per line, exactly as the
// driver words them (e.g. "[FreeTDS][SQL Server]Invalid object name 'dbo.Nope'.").
QString DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle);

// Throws Failure with the diagnostics when `result` is neither SQL_SUCCESS nor
// SQL_SUCCESS_WITH_INFO (SQL_NO_DATA passes: callers that care test it themselves).
// `what` names the call for the rare failure that leaves no diagnostic record.
void Check(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);

} // namespace velloxa::odbc
