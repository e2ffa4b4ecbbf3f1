#include "connection/odbc/Diagnostics.h"

#include "connection/odbc/WideText.h"
#include "errors/Failure.h"

#include <QStringList>

#include <sqlext.h>

namespace velloxa::odbc {

QString DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QStringList messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> text(1024);
        SQLRETURN result = SQLGetDiagRecW(handleType, handle, record, state, &nativeError,
                                          text.data(), SQLSMALLINT(text.size()), &length);
        if (result == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(text.size())) {
            text.resize(size_t(length) + 1);
            result = SQLGetDiagRecW(handleType, handle, record, state, &nativeError,
                                    text.data(), SQLSMALLINT(text.size()), &length);
        }
        if (!SQL_SUCCEEDED(result))
            break;
        messages << FromWide(text.data(), qMin<qsizetype>(length, qsizetype(text.size()) - 1));
    }
    return messages.join(QLatin1Char('\n'));
}

void Check(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char* what)
{
    if (SQL_SUCCEEDED(result) || result == SQL_NO_DATA)
        return;
    QString text = handle ? DiagnosticText(handleType, handle) : QString();
    if (text.isEmpty())
        text = QStringLiteral("%1 failed (ODBC result %2)").arg(QLatin1String(what)).arg(result);
    throw Failure(text);
}

} // namespace velloxa::odbc
