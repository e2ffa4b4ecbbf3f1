#include "connection/odbc/Environment.h"

#include "connection/odbc/Diagnostics.h"
#include "errors/Failure.h"

#include <sqlext.h>

namespace velloxa::odbc {

Environment::Environment()
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle_)))
        throw Failure(QStringLiteral("The ODBC driver manager refused an environment handle."));
    SQLRETURN result = SQLSetEnvAttr(handle_, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(result)) {
        const QString text = DiagnosticText(SQL_HANDLE_ENV, handle_);
        SQLFreeHandle(SQL_HANDLE_ENV, handle_);
        throw Failure(text);
    }
}

Environment::~Environment()
{
    SQLFreeHandle(SQL_HANDLE_ENV, handle_);
}

} // namespace velloxa::odbc
