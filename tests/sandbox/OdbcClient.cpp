#include "OdbcClient.h"

#include <sqlext.h>

#include <vector>

namespace velloxa::test {
namespace {

std::vector<SQLWCHAR> wide(const QString& s)
{
    std::vector<SQLWCHAR> out(s.utf16(), s.utf16() + s.size());
    out.push_back(0);
    return out;
}

QString fromWide(const SQLWCHAR* s, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(s), length);
}

bool succeeded(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

} // namespace

QList<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QList<Diagnostic> list;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[2048] = {};
        SQLSMALLINT length = 0;
        if (!succeeded(SQLGetDiagRecW(handleType, handle, record, state, &native, message, 2048, &length))) break;
        list.append({fromWide(state, 5), int(native), fromWide(message, length)});
    }
    return list;
}

OdbcClient::OdbcClient()
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

OdbcClient::~OdbcClient()
{
    if (connected_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

bool OdbcClient::connect(const QString& connectionString)
{
    auto text = wide(connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, text.data(), SQL_NTS, out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
    connected_ = succeeded(rc);
    connectErrors_ = connected_ ? QList<Diagnostic>() : diagnostics(SQL_HANDLE_DBC, dbc_);
    return connected_;
}

Result OdbcClient::query(const QString& sql)
{
    SQLHSTMT statement = nullptr;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement);
    auto text = wide(sql);
    return fetchAll(statement, SQLExecDirectW(statement, text.data(), SQL_NTS));
}

Result OdbcClient::tables(const QString& catalog, const QString& schema, const QString& table, const QString& types)
{
    SQLHSTMT statement = nullptr;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement);
    auto c = wide(catalog), s = wide(schema), t = wide(table), y = wide(types);
    auto arg = [](const QString& v, std::vector<SQLWCHAR>& w) { return v.isNull() ? nullptr : w.data(); };
    auto len = [](const QString& v) { return v.isNull() ? SQLSMALLINT(0) : SQLSMALLINT(SQL_NTS); };
    const SQLRETURN rc = SQLTablesW(statement, arg(catalog, c), len(catalog), arg(schema, s), len(schema), arg(table, t), len(table),
                                    arg(types, y), len(types));
    return fetchAll(statement, rc);
}

Result OdbcClient::fetchAll(SQLHSTMT statement, SQLRETURN executed)
{
    Result result;
    if (executed == SQL_NO_DATA) { // a statement that touches no rows, SET for one
        result.ok = true;
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        return result;
    }
    if (!succeeded(executed)) {
        result.errors = diagnostics(SQL_HANDLE_STMT, statement);
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        return result;
    }
    SQLSMALLINT count = 0;
    SQLNumResultCols(statement, &count);
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        ColumnDescription d;
        SQLDescribeColW(statement, i, name, 256, &nameLength, &d.type, &d.size, &d.digits, &d.nullable);
        d.name = fromWide(name, nameLength);
        result.columns.append(d);
    }
    for (;;) {
        if (count == 0) { // a statement without a result set
            result.ok = true;
            break;
        }
        const SQLRETURN rc = SQLFetch(statement);
        if (rc == SQL_NO_DATA) {
            result.ok = true;
            break;
        }
        if (!succeeded(rc)) {
            result.errors = diagnostics(SQL_HANDLE_STMT, statement);
            break;
        }
        QStringList row;
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            QString value;
            SQLLEN indicator = 0;
            SQLWCHAR buffer[4096];
            SQLRETURN part;
            bool isNull = false;
            // Long values arrive in pieces.
            while (succeeded(part = SQLGetData(statement, i, SQL_C_WCHAR, buffer, sizeof buffer, &indicator))) {
                if (indicator == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                const qsizetype available = indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer)
                                                ? qsizetype(sizeof buffer / sizeof(SQLWCHAR) - 1)
                                                : qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)));
                value += fromWide(buffer, available);
                if (part == SQL_SUCCESS) break;
            }
            if (!succeeded(part) && part != SQL_NO_DATA) result.errors = diagnostics(SQL_HANDLE_STMT, statement);
            row.append(isNull ? QString() : (value.isNull() ? QStringLiteral("") : value));
        }
        result.rows.append(row);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return result;
}

} // namespace velloxa::test
